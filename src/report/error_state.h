// The flag that an error page sets on the environment it is written for, and the response
// the page goes to; the flag is never cleared, and while it is set the environment writes
// no further response bytes. It also carries the operator's choice of a status line on
// every page (QUILLMATE_ERROR_STATUS).
#pragma once

#include "common/response.h"

namespace qmt {

class ErrorState {
public:
    ErrorState() = default;
    explicit ErrorState(Response response)
        : m_response(response)
    {
    }

    bool is_set() const { return m_set != 0; }
    void set() { m_set = 1; }
    Response const& response() const { return m_response; }
    void answer_on(Response response) { m_response = response; }

    // Every page then carries "Status: 500" unless its message has a status of its own.
    void answer_with_status_500(bool on) { m_status_500 = on; }
    bool answers_with_status_500() const { return m_status_500; }

private:
    int volatile m_set {0}; // also written from the fault report
    bool m_status_500 {false};
    Response m_response;
};

} // namespace qmt
