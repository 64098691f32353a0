// Where texts and comments of a TOML source begin and end, as the TOML reader sees them. The
// checks that keep faulty sources from the reader and the rewriting that hands it ASCII only
// both walk the source with this scanner, so they agree on every byte's place.
#pragma once

#include <cstddef>
#include <string_view>

namespace vorn {

// The place of a byte: outside texts, in a comment, or in one of the four kinds of text.
enum class TomlIn { kCode, kComment, kBasic, kLiteral, kLongBasic, kLongLiteral };

struct TomlPiece {
    enum class Kind {
        kByte,    // one byte that neither opens nor closes anything
        kOpen,    // the quote or three quotes that open a text
        kClose,   // what closes a text: a quote, a line end, or a run of three quotes or more
        kEscape,  // a backslash in a "..." text with the byte it escapes
    };
    Kind kind;
    TomlIn in;  // where the piece stands; for an opening quote the text it opens
    std::size_t at;
    std::size_t size;
};

class TomlScan {
  public:
    explicit TomlScan(std::string_view text) : text_(text) {}

    // The next piece; false at the end of the source.
    bool next(TomlPiece& piece);
    // Passes over `n` bytes that belong to the piece just read (the rest of a UTF-8 sequence).
    void skip(std::size_t n) { i_ += n; }
    // The line of the last byte read, from 1.
    int line() const { return line_; }

  private:
    bool starts(std::string_view what) const { return text_.substr(i_, what.size()) == what; }
    // The length of the run of `quote` from the current byte on.
    std::size_t run(char quote) const;

    std::string_view text_;
    std::size_t i_ = 0;
    int line_ = 1;
    TomlIn in_ = TomlIn::kCode;
};

}  // namespace vorn
