#pragma once

// Program-wide names. Forms are designed with "CV Vantor" in their captions,
// titles and filters; at construction every occurrence is replaced by the
// product name, so "CV Vantor Batch Export" shows as "CV Vantor Pro Batch
// Export".

#include <string>
#include <string_view>

namespace vantor {

inline constexpr std::string_view kProductName = "CV Vantor Pro";
inline constexpr std::string_view kMovieTypeName = "Vantor Movie";
// The text in form designs that stands for the product name.
inline constexpr std::string_view kDesignProductName = "CV Vantor";

// Replaces every occurrence of "CV Vantor" by the product name
// (case-sensitive, left to right, without rescanning replaced text).
inline std::string ReplaceProductName(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = text.find(kDesignProductName, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(kProductName);
        pos = hit + kDesignProductName.size();
    }
    out.append(text.substr(pos));
    return out;
}

// The application title and message-box caption: product name + " Batch Export".
inline std::string ApplicationTitle()
{
    return std::string(kProductName) + " Batch Export";
}

} // namespace vantor
