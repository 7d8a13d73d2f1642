// A process the tests start and steer: argv[1] is its thread count. Once its threads run it writes
// "ready" and then obeys one command per line on stdin:
//   exec PATH  replace itself by the program at PATH (same thread count), or say why it failed
//   open PATH  map the shared library at PATH and answer "ok" or "failed"
// and exits at the end of its input.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    for (int i = 1; i < (argc > 1 ? std::atoi(argv[1]) : 1); ++i)
        std::thread([] {
            for (;;)
                pause();
        }).detach();
    std::printf("ready\n");
    std::fflush(stdout);

    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\n")] = 0;
        if (std::strncmp(line, "exec ", 5) == 0) {
            execl(line + 5, line + 5, argv[1], static_cast<char*>(nullptr));
            std::printf("exec failed: %s\n", std::strerror(errno));
        } else if (std::strncmp(line, "open ", 5) == 0) {
            std::printf(dlopen(line + 5, RTLD_NOW | RTLD_LOCAL) ? "ok\n" : "failed\n");
        }
        std::fflush(stdout);
    }
    return 0;
}
