/* The yardstick of the request-cost benchmark: the least a dynamically linked CGI program
   can do, writing the same page as the gateway's benchmark object, with nothing else. Built
   once for each object: the 1 KB page, and with QMT_BENCH_WORKED_EXAMPLE the worked example. */
#include <errno.h>
#include <unistd.h>

#ifdef QMT_BENCH_WORKED_EXAMPLE
#    include "bench/worked_example_page.h"
static char const page[] = QMT_BENCH_WORKED_EXAMPLE_PAGE;
#else
#    include "bench/kilobyte_page.h"
static char const page[] = QMT_BENCH_KILOBYTE_PAGE;
#endif

int main(void)
{
    char const* cursor = page;
    size_t left = sizeof page - 1;
    while (left > 0) {
        ssize_t written = write(STDOUT_FILENO, cursor, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return 1;
        cursor += written;
        left -= (size_t)written;
    }
    return 0;
}
