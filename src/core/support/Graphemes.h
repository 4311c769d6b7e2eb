// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

struct UBreakIterator;
struct UText;

namespace brisa {

/// Walks the user-perceived characters (grapheme clusters) of UTF-8 text from its start, with ICU.
/// The text must outlive the walker.
class GraphemeWalker {
public:
    explicit GraphemeWalker(std::string_view text);
    ~GraphemeWalker();
    GraphemeWalker(const GraphemeWalker&) = delete;
    GraphemeWalker& operator=(const GraphemeWalker&) = delete;

    /// False when ICU could not set up the walk; next() then answers nullopt at once.
    bool ok() const { return ok_; }
    /// The byte offset just past the next character; nullopt at the end of the text.
    std::optional<std::size_t> next();

private:
    struct TextCloser {
        void operator()(UText* text) const;
    };
    struct IteratorCloser {
        void operator()(UBreakIterator* it) const;
    };

    std::size_t size_;
    std::unique_ptr<UText, TextCloser> text_;
    std::unique_ptr<UBreakIterator, IteratorCloser> it_;
    bool ok_ = false;
};

/// The first count user-perceived characters (grapheme clusters) of UTF-8 text, never cutting a
/// character in two; the whole text when it is shorter. Reads no further than needed.
std::string_view leadingCharacters(std::string_view text, std::size_t count);

} // namespace brisa
