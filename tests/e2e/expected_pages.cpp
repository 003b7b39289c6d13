#include "expected_pages.h"

namespace e2e::expected {
namespace {

constexpr std::string_view head
    = "Content-type: text/html\n\n"
      "<HTML><HEAD><TITLE>Quillmate Failure</TITLE></HEAD><BODY><CENTER><H1>Halvorn Quillmate Failure</H1>"
      "<HR></CENTER><FONT SIZE=+2>The following critical error occurred:</FONT><BR><BR><BR><CENTER>"
      "<TABLE BORDER=1><TR><TH WIDTH=800><FONT SIZE=+2>Error Description</FONT></TH></TR><TR><TD WIDTH=800>"
      "<FONT SIZE=+1>";
constexpr std::string_view tail = "</FONT></TD></TR></TABLE></CENTER></BODY></HTML>";
static_assert(head.size() == 330 && tail.size() == 48);

constexpr char const* server_variables[24] = {
    "AUTH_TYPE",       "CONTENT_LENGTH",       "CONTENT_TYPE",    "GATEWAY_INTERFACE",
    "HTTP_ACCEPT",     "HTTP_ACCEPT_LANGUAGE", "HTTP_COOKIE",     "HTTP_CONNECTION",
    "HTTP_HOST",       "HTTP_REFERER",         "HTTP_USER_AGENT", "PATH_INFO",
    "PATH_TRANSLATED", "REFERER_URL",          "REMOTE_ADDR",     "REMOTE_HOST",
    "REMOTE_IDENT",    "REMOTE_USER",          "REQUEST_METHOD",  "SCRIPT_NAME",
    "SERVER_NAME",     "SERVER_PORT",          "SERVER_PROTOCOL", "SERVER_SOFTWARE",
};

std::string text(std::initializer_list<std::string_view> pieces)
{
    std::string joined;
    for (std::string_view piece : pieces)
        joined += piece;
    return joined;
}

std::string dump_lines(Items const& items)
{
    std::string lines = "C=" + std::to_string(items.size()) + "\n";
    for (auto const& [name, value] : items)
        lines += "[" + name + "]=[" + value + "]\n";
    return lines;
}

} // namespace

std::string page(std::string_view message) { return text({head, message, tail}); }

std::string class_not_registered(std::string_view class_name)
{
    return text({"The project name ", class_name,
                 " is improperly registered or not registered with the system.  Cannot load the DLL."});
}

std::string object_not_created(std::string_view class_name)
{
    return text({"Could not load the object ", class_name,
                 ".  Check to make sure that the DLL is registered properly, and has not been deleted."});
}

std::string method_not_found(std::string_view method_name)
{
    return text({"Loaded the DLL, but the method ", method_name,
                 " was not found.   Check to make sure it has been created and is declared as public."});
}

std::string invalid_target(std::string_view target_name)
{
    return text({"The following object name ", target_name,
                 " is invalid.  The first item passed to Quillmate should look like "
                 "\"VB PROJECT.CLASSMODULE METHODNAME\""});
}

std::string unsupported_request_method()
{
    return "Invalid request. Quillmate supports only Get and Post HTTP request methods.";
}

std::string custom_item_out_of_range(std::string_view number)
{
    return text({"The request for the CustomItems.Item(", number, ") is out of range."});
}

std::string server_item_out_of_range(std::string_view number)
{
    return text({"The request for the ServerItems.Item(", number, ") is out of range."});
}

std::string name_not_found(std::string_view name)
{
    return text({"The FindName ", name, " request was not found in the collection."});
}

std::string file_not_opened(std::string_view file_name)
{
    return text({"The file ", file_name, " was not found or could not be opened."});
}

std::string template_already_open(std::string_view file_name)
{
    return text({"OpenTemplate was called on file ", file_name,
                 " without calling CloseTemplate first on a previously opened template file."});
}

std::string send_template_without_template(std::string_view placeholder)
{
    return text({"SendTemplate for template ", placeholder,
                 " was called before any call to OpenTemplate.  OpenTemplate must be called first."});
}

std::string begin_section_without_template(std::string_view section_name)
{
    return text({"BeginSection with section name ", section_name,
                 " was called before any call to OpenTemplate.  OpenTemplate must be called first."});
}

std::string section_name_reused(std::string_view section_name)
{
    return text({"The section name ", section_name,
                 " has already been used.  A section must only be referenced once per program."});
}

std::string section_not_referenced(std::string_view section_name)
{
    return text({"The section name ", section_name,
                 " was found in the HTML file but has not been referenced via the SetSection and SendTemplate "
                 "methods."});
}

std::string field_not_referenced(std::string_view field_name)
{
    return text({"The template field ", field_name,
                 " was found in the template file but has not been referenced using the SendTemplate method."});
}

std::string send_template_null_parameters()
{
    return "A call with null parameters was made to SendTemplate.  Entry not added.";
}

std::string end_section_missing()
{
    return "The end of the file was reached before reaching the EndSection comment in the template file.";
}

std::string unhandled_fault()
{
    return "An unhandled, unknown error occurred in Quillmate.  Please contact technical support to report the "
           "bug or to receive help tracking it down.";
}

std::string target_raised(std::string_view source, std::string_view description)
{
    return text({"A Visual Basic Exception happened.  Relevant source for the problem is \"", source,
                 ".\"  Visual Basic's description of the problem is \"", description, ".\""});
}

std::string end_section_without_template()
{
    return "EndSection with was called before any call to OpenTemplate.  OpenTemplate must be called first.";
}

std::string output_file_already_open(std::string_view file_name)
{
    return text({"OpenOutputFile was called on file ", file_name,
                 " without calling CloseOutputFile first on a previously opened output file."});
}

std::string output_file_not_created(std::string_view file_name)
{
    return text({"The output file ", file_name, " could not be created."});
}

std::string custom_dump(Items const& items) { return dump_lines(items); }

std::string server_dump(Items const& set_variables)
{
    Items all;
    for (char const* name : server_variables) {
        std::string value;
        for (auto const& [set_name, set_value] : set_variables)
            if (set_name == name)
                value = set_value;
        all.emplace_back(name, value);
    }
    return dump_lines(all);
}

std::string server_names()
{
    std::string names;
    for (char const* name : server_variables)
        names += std::string(name) + "\n";
    return names;
}

} // namespace e2e::expected

namespace e2e::expected {

std::string request_out_of_memory()
{
    return "Not enough memory was available to take in the request.  The request was not processed.";
}

std::string request_too_large()
{
    return "The request is larger than this server accepts.  The request was not processed.";
}

std::string status_413_page(std::string_view message) { return "Status: 413 Content Too Large\n" + page(message); }

} // namespace e2e::expected
