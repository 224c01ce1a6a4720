#pragma once

#include <cstdio>
#include <string>

#include "cli/terminal.hpp"

namespace torvane::testing {

// Three temporary files standing in for the console's streams, the input
// holding `input`.
class ConsoleStreams {
  public:
    explicit ConsoleStreams(const std::string& input = "")
        : in_(std::tmpfile()), out_(std::tmpfile()), err_(std::tmpfile()) {
        std::fputs(input.c_str(), in_);
        std::rewind(in_);
    }
    ~ConsoleStreams() {
        std::fclose(in_);
        std::fclose(out_);
        std::fclose(err_);
    }
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

    ConsoleIo Io(bool inIsTerminal, bool errIsTerminal) const {
        return ConsoleIo{in_, out_, err_, inIsTerminal, errIsTerminal};
    }
    std::string Out() const { return Contents(out_); }
    std::string Err() const { return Contents(err_); }
    // How much of the input has been read.
    long InputRead() const { return std::ftell(in_); }

  private:
    static std::string Contents(std::FILE* file) {
        const long at = std::ftell(file);
        std::rewind(file);
        std::string text;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
            text += static_cast<char>(c);
        std::fseek(file, at, SEEK_SET);
        return text;
    }

    std::FILE* in_;
    std::FILE* out_;
    std::FILE* err_;
};

}  // namespace torvane::testing
