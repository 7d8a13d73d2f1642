/* A process with no C++ runtime: started with "grow COUNT" it takes COUNT blocks of malloc first,
   without arguments it never calls malloc, so it has no [heap] at all. Then it writes "end" and
   waits until its standard input closes. Built both as a dynamic and as a static program. */
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc > 2 && strcmp(argv[1], "grow") == 0) {
        const long count = strtol(argv[2], NULL, 0);
        for (long i = 0; i < count; ++i)
            memset(malloc((size_t)(16 + i % 500)), 1, 16);
    }
    if (write(1, "end\n", 4) != 4)
        return 2;
    char buffer[64];
    while (read(0, buffer, sizeof buffer) > 0) { }
    return 0;
}
