#include "report/message_table.h"

namespace qmt {
namespace {

constexpr platform::StringRow rows[] = {
#include "report/message_rows.inc"
};

} // namespace

std::span<platform::StringRow const> message_table() { return rows; }

} // namespace qmt
