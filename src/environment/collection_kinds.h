// The two kinds of item collection are one design instantiated twice; a kind names the
// interfaces, identifiers and out-of-range message that tell them apart.
#pragma once

#include "quillmate/interfaces.h"
#include "report/message_numbers.h"

namespace qmt {

struct ServerItemsKind {
    using CollectionInterface = ::ServerItems;
    using ItemInterface = ::ServerItem;
    static constexpr IID const& collection_iid = IID_ServerItems;
    static constexpr IID const& item_iid = IID_ServerItem;
    static constexpr std::uint32_t out_of_range_message = message::ServerItemOutOfRange;
};

struct CustomItemsKind {
    using CollectionInterface = ::CustomItems;
    using ItemInterface = ::CustomItem;
    static constexpr IID const& collection_iid = IID_CustomItems;
    static constexpr IID const& item_iid = IID_CustomItem;
    static constexpr std::uint32_t out_of_range_message = message::CustomItemOutOfRange;
};

} // namespace qmt
