#pragma once

#include <string>
#include <utility>
#include <vector>

namespace torvane {

// A message's text in pieces: the program's own words, whose line breaks
// shape the message, and texts that come from outside it (a file's name or
// path, a text a task produced from a name, a library's description), which
// may hold any character, line breaks and terminal controls included. The
// desktop window shows the plain text; the console quotes the outside pieces
// so that a name can neither forge a line nor act on the terminal, and keeps
// the message's own line breaks.
//
//   MessageText message = L"Error reading file " + Outside(path) + L"\n" + error;
class MessageText {
  public:
    struct Piece {
        std::wstring text;
        bool outside = false;
        // An outside text the user typed (a pattern, or a library's text
        // quoting one): the console escapes its controls but shows its
        // backslashes as typed. Only with `outside`.
        bool typed = false;
    };

    MessageText() = default;
    // A text of the program's own (implicit, so that own texts, and texts
    // joined to outside pieces with +, need no marking).
    MessageText(std::wstring own) { Append(std::move(own), false); }
    MessageText(const wchar_t* own) : MessageText(std::wstring(own)) {}

    // A text from outside the program.
    static MessageText FromOutside(std::wstring text) {
        MessageText out;
        out.Append(std::move(text), true);
        return out;
    }

    // A text the user typed (see Piece::typed).
    static MessageText FromTyped(std::wstring text) {
        MessageText out;
        out.Append(std::move(text), true, true);
        return out;
    }

    MessageText& operator+=(MessageText more) {
        for (auto& piece : more.pieces_)
            Append(std::move(piece.text), piece.outside, piece.typed);
        return *this;
    }
    friend MessageText operator+(MessageText a, MessageText b) { return a += std::move(b); }

    // The pieces in their order; neighbours of the same kind are joined and
    // none is empty.
    const std::vector<Piece>& pieces() const { return pieces_; }

    // The whole text, as the desktop window shows it.
    std::wstring Plain() const {
        std::wstring out;
        for (const auto& piece : pieces_)
            out += piece.text;
        return out;
    }

  private:
    void Append(std::wstring text, bool outside, bool typed = false) {
        if (text.empty())
            return;
        if (!pieces_.empty() && pieces_.back().outside == outside && pieces_.back().typed == typed)
            pieces_.back().text += text;
        else
            pieces_.push_back({std::move(text), outside, typed});
    }

    std::vector<Piece> pieces_;
};

// A text from outside the program, to be joined into a message.
inline MessageText Outside(std::wstring text) {
    return MessageText::FromOutside(std::move(text));
}

// A text the user typed, to be joined into a message (see Piece::typed).
inline MessageText Typed(std::wstring text) {
    return MessageText::FromTyped(std::move(text));
}

}  // namespace torvane
