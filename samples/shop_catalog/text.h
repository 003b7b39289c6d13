// An automation string the sample owns, freed when it goes: what the environment takes as
// an argument and hands back as a value. Names the sample writes itself are ASCII and are
// given as string_view, so that one source serves both builds (OLECHAR is char16_t natively
// and wchar_t on Windows, which no one literal prefix fits).
#pragma once

#include "quillmate/runtime.h"

#include <string_view>
#include <utility>

namespace shop {

class Text {
public:
    Text() = default;
    Text(Text&& other) noexcept
        : m_text(std::exchange(other.m_text, nullptr))
    {
    }
    Text& operator=(Text&& other) noexcept
    {
        std::swap(m_text, other.m_text);
        return *this;
    }
    Text(Text const&) = delete;
    Text& operator=(Text const&) = delete;
    ~Text() { SysFreeString(m_text); }

    // A copy of `ascii`; null (check with `valid`) when memory is short.
    static Text ascii(std::string_view ascii)
    {
        Text made;
        made.m_text = SysAllocStringLen(nullptr, static_cast<UINT>(ascii.size()));
        if (made.m_text != nullptr) {
            for (std::size_t i = 0; i < ascii.size(); ++i)
                made.m_text[i] = static_cast<OLECHAR>(static_cast<unsigned char>(ascii[i]));
        }
        return made;
    }
    static Text copy(OLECHAR const* text)
    {
        Text made;
        made.m_text = SysAllocString(text);
        return made;
    }

    bool valid() const { return m_text != nullptr; }
    BSTR get() const { return m_text; }
    // For out-parameters: the callee stores a string the caller then owns.
    BSTR* out()
    {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    // Hands the string over (an EXCEPINFO field, which its reader frees).
    BSTR release() { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text = nullptr;
};

// The same name unit for unit: the gateway's own rule for field names.
inline bool same_name(OLECHAR const* text, std::string_view ascii)
{
    if (text == nullptr)
        return ascii.empty();
    for (char const c : ascii) {
        if (*text != static_cast<OLECHAR>(static_cast<unsigned char>(c)))
            return false;
        ++text;
    }
    return *text == 0;
}

} // namespace shop
