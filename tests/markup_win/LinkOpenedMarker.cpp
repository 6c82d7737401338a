// Stands in for the program a link opens: each start appends one line to "link-opened.txt" beside
// this program, so a test can see that, and how often, the shell opened the link.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
    char path[MAX_PATH];
    std::string marker(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
    std::ofstream(marker.substr(0, marker.find_last_of('\\') + 1) + "link-opened.txt", std::ios::app)
        << "opened\n";
}
