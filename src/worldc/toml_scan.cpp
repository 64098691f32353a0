// The scanner of TOML sources: texts and comments as the TOML reader delimits them.
#include "worldc/toml_scan.hpp"

#include <algorithm>

namespace vorn {

std::size_t TomlScan::run(char quote) const {
    std::size_t n = 0;
    while (i_ + n < text_.size() && text_[i_ + n] == quote) ++n;
    return n;
}

bool TomlScan::next(TomlPiece& piece) {
    if (i_ >= text_.size()) return false;
    using Kind = TomlPiece::Kind;
    const char b = text_[i_];
    piece = {Kind::kByte, in_, i_, 1};
    switch (in_) {
        case TomlIn::kCode:
            if (b == '#') {
                in_ = TomlIn::kComment;
            } else if (b == '"' || b == '\'') {
                const bool basic = b == '"';
                const bool long_text = starts(basic ? "\"\"\"" : "'''");
                in_ = basic ? (long_text ? TomlIn::kLongBasic : TomlIn::kBasic)
                            : (long_text ? TomlIn::kLongLiteral : TomlIn::kLiteral);
                piece = {Kind::kOpen, in_, i_, long_text ? 3u : 1u};
            }
            break;
        case TomlIn::kComment:
            if (b == '\n') in_ = TomlIn::kCode;
            break;
        case TomlIn::kBasic:
        case TomlIn::kLongBasic:
            if (b == '\\' && i_ + 1 < text_.size()) {
                piece.kind = Kind::kEscape;
                piece.size = 2;
            } else if (in_ == TomlIn::kBasic && (b == '"' || b == '\n')) {
                piece.kind = Kind::kClose;
                in_ = TomlIn::kCode;
            } else if (in_ == TomlIn::kLongBasic && starts("\"\"\"")) {
                // Of a run of quotes, the last three close the text; the others are in it.
                piece = {Kind::kClose, in_, i_, run('"')};
                in_ = TomlIn::kCode;
            }
            break;
        case TomlIn::kLiteral:
            if (b == '\'' || b == '\n') {
                piece.kind = Kind::kClose;
                in_ = TomlIn::kCode;
            }
            break;
        case TomlIn::kLongLiteral:
            if (starts("'''")) {
                piece = {Kind::kClose, in_, i_, run('\'')};
                in_ = TomlIn::kCode;
            }
            break;
    }
    const auto first = text_.begin() + static_cast<std::ptrdiff_t>(i_);
    line_ +=
        static_cast<int>(std::count(first, first + static_cast<std::ptrdiff_t>(piece.size), '\n'));
    i_ += piece.size;
    return true;
}

}  // namespace vorn
