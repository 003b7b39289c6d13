// The end-to-end table: every row is one request to the gateway, with the exact bytes it
// must answer. The same rows run against every build (natively and under Wine). The rows
// of each group are built in cases/<group>.cpp; groups.inc lists the groups.
#include "case.h"
#include "groups.h"

#include <utility>

namespace e2e {
namespace {

std::vector<Case> build_table()
{
    std::vector<Case> (*const groups[])() = {
#define E2E_GROUP(suite, rows) rows,
#include "groups.inc"
#undef E2E_GROUP
    };
    std::vector<Case> table;
    for (auto const rows_of_group : groups)
        for (Case& row : rows_of_group())
            table.push_back(std::move(row));
    return table;
}

} // namespace

std::vector<Case> const& all_cases()
{
    static std::vector<Case> const table = build_table();
    return table;
}

std::vector<Case> cases_of(char const* group)
{
    std::vector<Case> rows;
    for (Case const& row : all_cases())
        if (row.group == group)
            rows.push_back(row);
    return rows;
}

} // namespace e2e
