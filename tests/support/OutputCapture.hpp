#pragma once

// Redirects std::cout and std::cerr into strings for the lifetime of the object.

#include <iostream>
#include <sstream>
#include <string>

class OutputCapture {
public:
    OutputCapture() : savedOut(std::cout.rdbuf(out.rdbuf())), savedErr(std::cerr.rdbuf(err.rdbuf())) {}
    ~OutputCapture() {
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErr);
    }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    std::string standardOutput() const { return out.str(); }
    std::string standardError() const { return err.str(); }

private:
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* savedOut;
    std::streambuf* savedErr;
};
