// A stand-in for a patch installer and for running applications in the
// end-to-end tests.
//
//   FakeInstaller --sleep MS    waits, then ends (a "running application")
//   FakeInstaller               follows installer-script.txt in its working
//                               folder, one command a line:
//                                 copy SOURCE|TARGET   delete PATH
//                                 cwd PATH (writes the working folder to PATH)
//                                 move FROM|TO   dirlink TARGET|LINK
//                                 env NAME|PATH (writes the variable, or <unset>)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--sleep")
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[2])));
        return 0;
    }
    std::ifstream script("installer-script.txt");
    std::string line;
    while (std::getline(script, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        const std::string command = line.substr(0, space);
        const std::string rest = line.substr(space + 1);
        const std::size_t bar = rest.find('|');
        std::error_code error;
        if (command == "copy" && bar != std::string::npos)
        {
            // Byte by byte: the library's copy_file is not reliable on every Windows.
            std::ifstream in(fs::u8path(rest.substr(0, bar)), std::ios::binary);
            std::ofstream out(fs::u8path(rest.substr(bar + 1)), std::ios::binary | std::ios::trunc);
            out << in.rdbuf();
        }
        else if (command == "delete")
            fs::remove(fs::u8path(rest), error);
        else if (command == "move" && bar != std::string::npos)
            fs::rename(fs::u8path(rest.substr(0, bar)), fs::u8path(rest.substr(bar + 1)), error);
        else if (command == "dirlink" && bar != std::string::npos)
            fs::create_directory_symlink(fs::u8path(rest.substr(0, bar)),
                                         fs::u8path(rest.substr(bar + 1)), error);
        else if (command == "cwd")
            std::ofstream(fs::u8path(rest)) << fs::current_path().u8string();
        else if (command == "env" && bar != std::string::npos)
        {
            const char* value = std::getenv(rest.substr(0, bar).c_str());
            std::ofstream(fs::u8path(rest.substr(bar + 1)))
                << (value != nullptr ? value : "<unset>");
        }
    }
    return 7; // the installer's own exit code is never read
}
