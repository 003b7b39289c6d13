/* The page that both sides of the request-cost benchmark write: a header line, an empty
   line and an HTML body, 1024 bytes in all. Plain ASCII, so the gateway's conversion to
   the ANSI code page gives back exactly these bytes. Shared by C and C++ sources. */
#ifndef QMT_BENCH_KILOBYTE_PAGE_H
#define QMT_BENCH_KILOBYTE_PAGE_H

#define QMT_BENCH_ROW(n) "<tr><td>Article " n "</td><td>Fountain pen, black ink</td><td>12.50</td></tr>\n"

#define QMT_BENCH_KILOBYTE_PAGE                                                                                        \
    "Content-type: text/html\n\n"                                                                                      \
    "<!DOCTYPE html>\n<html><head><title>Catalog</title></head><body>\n<h1>Catalog</h1>\n<table>\n" QMT_BENCH_ROW(     \
        "01") QMT_BENCH_ROW("02") QMT_BENCH_ROW("03") QMT_BENCH_ROW("04") QMT_BENCH_ROW("05") QMT_BENCH_ROW("06")      \
        QMT_BENCH_ROW("07") QMT_BENCH_ROW("08") QMT_BENCH_ROW("09") QMT_BENCH_ROW("10") QMT_BENCH_ROW(                 \
            "11") "</table>\n<p>Prices include tax. Delivery within two working days.</p>\n</body></html>\n"

#endif
