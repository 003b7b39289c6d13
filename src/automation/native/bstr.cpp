// Runtime strings: a 32-bit byte length, then the text, then one zero unit. The pointer
// handed out addresses the text, so a BSTR reads as a zero-terminated wide text while
// still carrying its exact length (embedded zeros included). They live on the process heap
// like every other allocation of the program.
#include "platform/heap.h"
#include "quillmate/com_abi.h"

#include <cstring>

namespace {

constexpr std::size_t header_bytes = sizeof(std::uint32_t);

BSTR allocate_bytes(void const* source, std::size_t bytes)
{
    if (bytes > 0xFFFFFFFFu - header_bytes - 2 * sizeof(OLECHAR))
        return nullptr;
    auto* block = static_cast<unsigned char*>(qmt::platform::heap_allocate(header_bytes + bytes + 2 * sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    auto const length = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &length, header_bytes);
    unsigned char* text = block + header_bytes;
    if (source != nullptr)
        std::memcpy(text, source, bytes);
    else
        std::memset(text, 0, bytes);
    // Two zero bytes after the text, plus one more so an odd byte length still ends in a zero unit.
    std::memset(text + bytes, 0, 2 * sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(text);
}

std::uint32_t stored_bytes(BSTR text)
{
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<unsigned char*>(text) - header_bytes, header_bytes);
    return length;
}

} // namespace

QMT_RUNTIME_EXPORT BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr)
        return nullptr;
    std::size_t length = 0;
    while (psz[length] != 0)
        ++length;
    return allocate_bytes(psz, length * sizeof(OLECHAR));
}

QMT_RUNTIME_EXPORT BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    return allocate_bytes(strIn, static_cast<std::size_t>(ui) * sizeof(OLECHAR));
}

QMT_RUNTIME_EXPORT BSTR SysAllocStringByteLen(char const* psz, UINT len) { return allocate_bytes(psz, len); }

QMT_RUNTIME_EXPORT void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr)
        qmt::platform::heap_free(reinterpret_cast<unsigned char*>(bstrString) - header_bytes);
}

QMT_RUNTIME_EXPORT UINT SysStringLen(BSTR bstr) { return bstr == nullptr ? 0 : stored_bytes(bstr) / sizeof(OLECHAR); }

QMT_RUNTIME_EXPORT UINT SysStringByteLen(BSTR bstr) { return bstr == nullptr ? 0 : stored_bytes(bstr); }
