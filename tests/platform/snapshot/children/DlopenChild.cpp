// Maps shared libraries on request. Reads lines "open PATH" from standard input and answers
// "ok" or "failed"; ends when its input closes. Starts by printing "ready".
#include <cstdio>
#include <dlfcn.h>
#include <iostream>
#include <string>

int main()
{
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.rfind("open ", 0) == 0) {
            void* library = dlopen(line.substr(5).c_str(), RTLD_NOW | RTLD_LOCAL);
            std::cout << (library ? "ok" : "failed") << std::endl;
        }
    }
    return 0;
}
