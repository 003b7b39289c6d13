// A page written through the environment: header and literal text, then a template filled
// field by field. Every call's status is checked; the first failure is kept with the step
// that failed, the calls after it do nothing, and failure() describes it for the error the
// method raises. (When the environment failed with its own error page, as for a missing
// template, the gateway has written that page already; the raised error follows it, as an
// unhandled error in a method written in Basic would.)
#pragma once

#include "quillmate/helpers.h"

#include <string_view>

namespace shop {

class TemplatePage {
public:
    explicit TemplatePage(QmtEnvironment& environment)
        : m_environment(environment)
    {
    }

    // Literal text of the sample's own, straight to the response.
    void send(std::string_view utf8);
    // Opens a template file that lies beside the library.
    void open(char const* template_name);
    // One field of the open template, in the current section: the builder's text, taken.
    void field(std::string_view placeholder, quillmate::TextBuilder& value);
    void begin_section(std::string_view name);
    void end_section();
    // Writes the filled template to the output (standard output, or the open output file).
    void close();

    // Output into a file instead of the response, until close_output().
    void open_output(char const* path);
    void close_output();
    // A whole file, as it is, into the response.
    void send_file(char const* path);

    // Records the outcome of a step of the page's own (reading the request, the data file).
    void check(HRESULT status, std::string_view step);
    HRESULT status() const { return m_status; }
    // The first failure, for the raised error: "... OpenTemplate failed with status 0x80030002".
    quillmate::Text failure() const;

private:
    bool ready() const { return m_status == S_OK; }
    // The path as the environment takes file names; null text (and a failure) when it cannot be made.
    quillmate::Text file_name(char const* path);

    QmtEnvironment& m_environment;
    HRESULT m_status = S_OK;
    std::string_view m_failed_step;
};

} // namespace shop
