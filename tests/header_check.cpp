// The public header as a C++ host sees it: the same checks as the C host.
#include "header_check.c"
