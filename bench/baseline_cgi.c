/* The yardstick of the request-cost benchmark: the least a dynamically linked CGI program
   can do, writing the same page as the gateway's benchmark object, with nothing else. Built
   once for each object: the 1 KB page, with QMT_BENCH_WORKED_EXAMPLE the worked example, and
   with QMT_BENCH_SHOP_LIST the sample's list page (its bytes as the gateway wrote them). */
#include <errno.h>
#include <unistd.h>

#if defined QMT_BENCH_SHOP_LIST
#    include "bench/shop_list_page.h"
#    define PAGE shop_list_page
#    define PAGE_SIZE shop_list_page_size
#elif defined QMT_BENCH_WORKED_EXAMPLE
#    include "bench/worked_example_page.h"
static char const page[] = QMT_BENCH_WORKED_EXAMPLE_PAGE;
#    define PAGE page
#    define PAGE_SIZE (sizeof page - 1)
#else
#    include "bench/kilobyte_page.h"
static char const page[] = QMT_BENCH_KILOBYTE_PAGE;
#    define PAGE page
#    define PAGE_SIZE (sizeof page - 1)
#endif

int main(void)
{
    char const* cursor = (char const*)PAGE;
    size_t left = PAGE_SIZE;
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
