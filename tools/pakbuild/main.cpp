// pakbuild: packs asset files into one pack file for the application.
//
//   pakbuild -o OUTPUT [--dir FOLDER]... [NAME=FILE]...
//
// Every regular file below a FOLDER is packed under its relative path ("/" between
// parts); NAME=FILE packs one file under NAME. Fails on unreadable inputs and on a name
// given twice, leaving any earlier OUTPUT untouched.

#include "PakWriter.hpp"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options {
    std::filesystem::path output;
    std::vector<pak::Source> sources;
};

constexpr std::string_view usage = "usage: pakbuild -o OUTPUT [--dir FOLDER]... [NAME=FILE]...";

Options parseArguments(const std::vector<std::string_view>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool takesValue = argument == "-o" || argument == "--dir";
        if (takesValue && i + 1 == arguments.size()) {
            throw std::runtime_error(std::string(argument) + " needs a value");
        }
        if (argument == "-o") {
            options.output = std::string(arguments[++i]);
        } else if (argument == "--dir") {
            const std::vector<pak::Source> found = pak::listFolder(std::string(arguments[++i]));
            options.sources.insert(options.sources.end(), found.begin(), found.end());
        } else if (const std::size_t equals = argument.find('='); equals != std::string_view::npos) {
            options.sources.push_back(
                pak::Source{std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))});
        } else {
            throw std::runtime_error("unexpected argument: " + std::string(argument));
        }
    }
    if (options.output.empty()) {
        throw std::runtime_error("no output file given");
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parseArguments(std::vector<std::string_view>(argv + 1, argv + argc));
        const std::vector<std::uint8_t> pack = pak::encodePack(pak::readSources(options.sources));
        pak::writeFileAtomically(options.output, pack);
        std::cout << "pakbuild: wrote " << options.sources.size() << " assets to " << options.output.string() << '\n';
        return EXIT_SUCCESS;
    } catch (const std::exception& error) {
        std::cerr << "pakbuild: " << error.what() << '\n' << usage << '\n';
        return EXIT_FAILURE;
    }
}
