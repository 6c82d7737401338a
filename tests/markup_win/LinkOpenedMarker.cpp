// Stands in for a linked program: each start appends a line to "link-opened.txt" beside it.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
    char path[MAX_PATH];
    std::string marker(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    std::ofstream(marker.substr(0, marker.find_last_of('\\') + 1) + "link-opened.txt", std::ios::app)
        << "opened\n";
}
