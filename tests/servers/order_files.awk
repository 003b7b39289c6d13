# Checks the order files that a load run left: each must be the reference page byte for
# byte, with its own order number (from the file name order-N.htm) for "@ORDER@".
#   awk -v reference=FILE -f order_files.awk ORDERS/order-*.htm
# Every file is read as one record (no file holds byte 1), trailing line end included.
BEGIN {
    RS = "\001"
    getline expected_template < reference
}
{
    name = FILENAME
    sub(/.*order-/, "", name)
    sub(/\.htm$/, "", name)
    at = index(expected_template, "@ORDER@")
    expected = substr(expected_template, 1, at - 1) name substr(expected_template, at + 7)
    seen[FILENAME] = 1
    if ($0 != expected) {
        bad++
        if (bad <= 3)
            print "order file differs: " FILENAME > "/dev/stderr"
    }
}
END {
    for (i = 1; i < ARGC; i++) {
        if (!(ARGV[i] in seen)) {
            bad++
            print "order file empty: " ARGV[i] > "/dev/stderr"
        }
    }
    printf "%d order files, %d differ\n", ARGC - 1, bad
    exit bad > 0
}
