#include "gateway/class_allow_list.h"

#include "automation/machine_settings.h"
#include "common/heap_ptr.h"
#include "common/text_conversion.h"

namespace qmt {
namespace {

// Room for the registry's list; a longer list is unreadable, and so allows nothing.
constexpr std::size_t registry_list_capacity = 4096;

ClassAccess access_if(bool listed) { return listed ? ClassAccess::allowed : ClassAccess::refused; }

ClassAccess environment_list_access(RequestSource const& source, std::string_view class_name)
{
    if (!source.has_setting(allowed_classes_variable))
        return ClassAccess::allowed;
    std::uint32_t const needed = source.setting(allowed_classes_variable, nullptr, 0);
    if (needed == 0)
        return ClassAccess::refused; // set, but empty: nothing is allowed
    auto list = HeapPtr<char>::allocate(needed);
    if (!list)
        return ClassAccess::unknown;
    std::uint32_t const length = source.setting(allowed_classes_variable, list.get(), needed);
    return access_if(length < needed && list_names({list.get(), length}, class_name));
}

ClassAccess registry_list_access(std::string_view class_name)
{
    auto list = HeapPtr<char>::allocate(registry_list_capacity);
    if (!list)
        return ClassAccess::unknown;
    std::size_t length = 0;
    switch (read_machine_setting(allowed_classes_key, list.get(), registry_list_capacity, length)) {
    case SettingStatus::missing:
        return ClassAccess::allowed;
    case SettingStatus::unreadable:
        return ClassAccess::refused;
    case SettingStatus::found:
        break;
    }
    return access_if(list_names({list.get(), length}, class_name));
}

bool is_separator(char c)
{
    return c == ' ' || c == ',' || c == ';' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

} // namespace

bool list_names(std::string_view list, std::string_view class_name)
{
    std::size_t position = 0;
    while (position < list.size()) {
        while (position < list.size() && is_separator(list[position]))
            ++position;
        std::size_t end = position;
        while (end < list.size() && !is_separator(list[end]))
            ++end;
        if (end > position && list.substr(position, end - position) == class_name)
            return true;
        position = end;
    }
    return false;
}

ClassAccess class_access(WideChar const* class_name, RequestSource const& source)
{
    NarrowText const name = narrow_from_wide(class_name);
    if (!name.bytes)
        return ClassAccess::unknown;
    std::string_view const narrow(name.bytes.get(), name.length);
    ClassAccess const by_environment = environment_list_access(source, narrow);
    return by_environment == ClassAccess::allowed ? registry_list_access(narrow) : by_environment;
}

ClassAccess class_access_by_environment(WideChar const* class_name, RequestSource const& source)
{
    if (!source.has_setting(allowed_classes_variable))
        return ClassAccess::allowed;
    NarrowText const name = narrow_from_wide(class_name);
    if (!name.bytes)
        return ClassAccess::unknown;
    return environment_list_access(source, std::string_view(name.bytes.get(), name.length));
}

} // namespace qmt
