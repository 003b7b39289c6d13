/* What both sides of the worked-example request write: a header line, an empty line and the
   eleven lines that the template bench/worked_example.htm gives with the object's fields.
   Shared by C and C++ sources. */
#ifndef QMT_BENCH_WORKED_EXAMPLE_PAGE_H
#define QMT_BENCH_WORKED_EXAMPLE_PAGE_H

#define QMT_BENCH_WORKED_EXAMPLE_HEADER "Content-type: text/html\n\n"

#define QMT_BENCH_WORKED_EXAMPLE_PAGE                                                                                  \
    QMT_BENCH_WORKED_EXAMPLE_HEADER                                                                                    \
    "<HTML><BODY>\n"                                                                                                   \
    "<H1>Price list</H1>\n"                                                                                            \
    "<TABLE>\n"                                                                                                        \
    "\n"                                                                                                               \
    "<TR><TD>Tea</TD><TD>3</TD></TR>\n"                                                                                \
    "\n"                                                                                                               \
    "<TR><TD>Coffee</TD><TD>4</TD></TR>\n"                                                                             \
    "\n"                                                                                                               \
    "</TABLE>\n"                                                                                                       \
    "<!-- a plain comment -->\n"                                                                                       \
    "</BODY></HTML>\n"

#endif
