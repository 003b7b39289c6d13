// The operator's allow-list of creatable classes. Without one, any class registered on the
// machine can be created by any client that names it in the first form field. Two lists may
// be set, each a list of programmatic names separated by blanks, commas, semicolons or line
// ends: the environment variable QUILLMATE_ALLOWED_CLASSES, and the default value of the
// registry key HKEY_LOCAL_MACHINE\SOFTWARE\Quillmate\AllowedClasses. A class is created only
// if every list that is set names it exactly (letter case included); a list that is set but
// cannot be read allows nothing.
#pragma once

#include "common/wide_text.h"
#include "gateway/request_source.h"

#include <string_view>

namespace qmt {

inline constexpr char allowed_classes_variable[] = "QUILLMATE_ALLOWED_CLASSES";
inline constexpr char allowed_classes_key[] = "SOFTWARE\\Quillmate\\AllowedClasses";

enum class ClassAccess {
    allowed,
    refused,
    unknown, // memory for reading a list could not be had
};

// The environment's list is the request's variable (a CGI run's environment by default).
ClassAccess class_access(WideChar const* class_name, RequestSource const& source = {});
// The environment's list alone: for a class the registry's list was found to allow earlier
// (the worker that keeps its libraries reads the registry once).
ClassAccess class_access_by_environment(WideChar const* class_name, RequestSource const& source);

// Whether `list` names `class_name` as one of its entries.
bool list_names(std::string_view list, std::string_view class_name);

} // namespace qmt
