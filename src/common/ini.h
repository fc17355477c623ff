// Reading and writing values of INI text held as GBK bytes.
//
// The panel's settings file and the browser's own settings file are read and
// written by the Win32 layer as plain bytes; these functions do the rest, the
// way the system's profile functions treat such files, without depending on
// the system's ANSI code page.
//
// Layout understood:
// - lines end at LF, CR LF or a lone CR;
// - a line whose first non-blank character is ';' is a comment;
// - a line whose first non-blank character is '[' starts a section named by
//   the text up to the first ']' (or to the end of the line when there is
//   none);
// - any other line holding '=' is an entry "key=value" of the current section;
//   lines without '=' and lines before the first section are ignored.
// Blanks are spaces and tabs. Names are compared ignoring surrounding blanks
// and the case of ASCII letters; bytes of double-byte characters are never
// case-folded. Delimiters (']', '=') count only at character boundaries, so a
// trail byte equal to ']' or '[' stays part of its character.
//
// Only the first section of a given name is consulted, and in it only the
// first entry of a given key.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::ini {

// Size of the buffer the settings are read into, less its terminating NUL.
inline constexpr std::size_t kDefaultMaxBytes = 10239;

// Value of key in section: the text after '=' without surrounding blanks and
// without one pair of matching surrounding quotes (" or '), cut to at most
// maxBytes bytes and never inside a double-byte character. nullopt when the
// section or the key is missing, or when either name is empty.
[[nodiscard]] std::optional<std::string> get(std::string_view fileText, std::string_view section,
                                             std::string_view key, std::size_t maxBytes = kDefaultMaxBytes);

// True when set() can write key=value into section so that it reads back:
// section and key are non-empty after trimming blanks, no argument holds a
// line break, the section holds no ']' and the key no '=' (at character
// boundaries), neither name ends in an unpaired lead byte, and the key does
// not begin with ';' or '['.
[[nodiscard]] bool canSet(std::string_view section, std::string_view key, std::string_view value) noexcept;

// The file's new text after setting key=value in section:
// - the first entry of key in the first such section is replaced in place by
//   "key=value", keeping the key's spelling found in the file;
// - a missing key is added after the section's last non-blank line, so blank
//   lines that separate it from the next section stay after it;
// - a missing section is appended as "[section]" and "key=value" (after a
//   line break when the text does not end with one).
// Names are written without their surrounding blanks, the value as given.
// Every other byte of the text is kept; lines written end in CR LF. When
// canSet() is false the text is returned unchanged.
[[nodiscard]] std::string set(std::string_view fileText, std::string_view section, std::string_view key,
                              std::string_view value);

}  // namespace vuv::ini
