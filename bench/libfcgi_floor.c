/* The floor of the FastCGI benchmark: the least a FastCGI worker on libfcgi can do, writing
   the same 1 KB page as the gateway's benchmark object for every request, with nothing
   else. A server starts it with the listening socket on standard input. */
#include "bench/kilobyte_page.h"

#include <fcgiapp.h>

static char const page[] = QMT_BENCH_KILOBYTE_PAGE;

int main(void)
{
    FCGX_Request request;
    if (FCGX_Init() != 0 || FCGX_InitRequest(&request, 0, 0) != 0)
        return 1;
    while (FCGX_Accept_r(&request) >= 0) {
        FCGX_PutStr(page, (int)(sizeof page - 1), request.out);
        FCGX_Finish_r(&request);
    }
    return 0;
}
