#include "schema/naming.hpp"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace tolv::schema {
namespace {

// Splits at every '_' and feeds each piece, in order, to emit(piece, index).
template <class Emit>
void for_each_piece(std::string_view name, Emit&& emit) {
    std::size_t index = 0;
    while (true) {
        const std::size_t underscore = name.find('_');
        emit(name.substr(0, underscore), index++);
        if (underscore == std::string_view::npos) return;
        name.remove_prefix(underscore + 1);
    }
}

}  // namespace

void append_capitalised(std::string& out, std::string_view piece) {
    const auto first = static_cast<unsigned char>(piece.front());
    if (first < 0x80) {
        out += (first >= 'a' && first <= 'z') ? static_cast<char>(first - 'a' + 'A') : static_cast<char>(first);
        out.append(piece.substr(1));
        return;
    }

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
    const auto length = static_cast<int32_t>(piece.size() < 4 ? piece.size() : 4);
    int32_t offset = 0;
    UChar32 cp = 0;
    U8_NEXT(bytes, offset, length, cp);
    if (cp < 0) {  // not UTF-8: keep the byte as it is
        out.append(piece);
        return;
    }

    UChar source[2];
    int32_t source_length = 0;
    UBool unused = false;
    U16_APPEND(source, source_length, 2, cp, unused);
    (void)unused;

    UChar upper[8];
    UErrorCode status = U_ZERO_ERROR;
    // The root locale "" gives the context-free, language-neutral mapping.
    const int32_t upper_length = u_strToUpper(upper, 8, source, source_length, "", &status);
    if (U_FAILURE(status) || upper_length > 8) {
        out.append(piece);
        return;
    }
    for (int32_t i = 0; i < upper_length;) {
        UChar32 mapped = 0;
        U16_NEXT(upper, i, upper_length, mapped);
        char encoded[4];
        int32_t encoded_length = 0;
        UBool unused_error = false;
        U8_APPEND(reinterpret_cast<std::uint8_t*>(encoded), encoded_length, 4, mapped, unused_error);
        (void)unused_error;
        out.append(encoded, static_cast<std::size_t>(encoded_length));
    }
    out.append(piece.substr(static_cast<std::size_t>(offset)));
}

std::string to_camel_case(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    for_each_piece(name, [&](std::string_view piece, std::size_t index) {
        if (index == 0) {
            out.append(piece);
        } else if (!piece.empty()) {
            append_capitalised(out, piece);
        }
    });
    return out;
}

std::string to_pascal_case(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    for_each_piece(name, [&](std::string_view piece, std::size_t) {
        if (!piece.empty()) append_capitalised(out, piece);
    });
    return out;
}

}  // namespace tolv::schema
