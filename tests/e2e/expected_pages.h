// Expected responses, written out independently of the gateway's sources: the error page's
// fixed head and tail, each message with its caller's texts, and the probe's dumps. Callers'
// texts are passed exactly as they must appear on the page (already HTML-escaped).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e::expected {

std::string page(std::string_view message);

std::string class_not_registered(std::string_view class_name); // 1
std::string object_not_created(std::string_view class_name); // 2
std::string method_not_found(std::string_view method_name); // 3
std::string invalid_target(std::string_view target_name); // 5
std::string unsupported_request_method(); // 6
std::string custom_item_out_of_range(std::string_view number); // 7
std::string server_item_out_of_range(std::string_view number); // 8
std::string name_not_found(std::string_view name); // 9
std::string file_not_opened(std::string_view file_name); // 10
std::string template_already_open(std::string_view file_name); // 11
std::string send_template_without_template(std::string_view placeholder); // 12
std::string begin_section_without_template(std::string_view section_name); // 13
std::string section_name_reused(std::string_view section_name); // 14
std::string section_not_referenced(std::string_view section_name); // 15
std::string field_not_referenced(std::string_view field_name); // 16
std::string send_template_null_parameters(); // 18
std::string end_section_missing(); // 20
std::string unhandled_fault(); // 21
std::string target_raised(std::string_view source, std::string_view description); // 22
std::string end_section_without_template(); // 23
std::string output_file_already_open(std::string_view file_name); // 24
std::string output_file_not_created(std::string_view file_name); // 25
std::string request_out_of_memory(); // 26
std::string request_too_large(); // 27
// A page with the status line that message 27 carries before it.
std::string status_413_page(std::string_view message);

// The longest message a page carries, without its terminator.
inline constexpr std::size_t longest_message = 999;

using Items = std::vector<std::pair<std::string, std::string>>;

// What the probe's Dump writes for these CustomItems.
std::string custom_dump(Items const& items);
// What DumpServer writes when exactly these server variables are set (the others are empty).
std::string server_dump(Items const& set_variables);
// What Enumerate writes: the 24 names in table order, one a line.
std::string server_names();

} // namespace e2e::expected
