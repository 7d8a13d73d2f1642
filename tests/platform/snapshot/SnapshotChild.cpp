// A process the snapshot tests start and steer: argv[1] is its thread count. Once its threads run
// it writes "ready" and then obeys one command per line on stdin:
//   name HEX   set its name to the hex-encoded bytes
//   exec PATH  replace itself by the program at PATH (same thread count)
// and exits at the end of its input.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
void* Sleep(void*)
{
    for (;;)
        pause();
    return nullptr;
}

std::string FromHex(const char* hex)
{
    std::string bytes;
    for (; hex[0] && hex[1]; hex += 2)
        bytes += char(std::strtoul(std::string(hex, 2).c_str(), nullptr, 16));
    return bytes;
}
}

int main(int argc, char** argv)
{
    const int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    for (int i = 1; i < threads; ++i) {
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, 64 * 1024);
        pthread_t thread;
        pthread_create(&thread, &attr, Sleep, nullptr);
        pthread_attr_destroy(&attr);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\n")] = 0;
        if (std::strncmp(line, "name ", 5) == 0) {
            prctl(PR_SET_NAME, FromHex(line + 5).c_str());
            std::printf("named\n");
            std::fflush(stdout);
        } else if (std::strncmp(line, "exec ", 5) == 0) {
            execl(line + 5, line + 5, argv[1], static_cast<char*>(nullptr));
            std::printf("exec failed\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
