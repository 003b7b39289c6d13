// The flag that an error page sets on the environment it is written for; it is never
// cleared, and while it is set the environment writes no further response bytes.
#pragma once

namespace qmt {

class ErrorState {
public:
    bool is_set() const { return m_set != 0; }
    void set() { m_set = 1; }

private:
    int volatile m_set {0}; // also written from the fault report
};

} // namespace qmt
