// veltrano-import: the Access reader process that `veltrano-cli import` and the desktop
// program start for each import (see vt::access::reader_main).
#include "import/mdb_import.h"

int main(int argc, char** argv) { return vt::access::reader_main(argc, argv); }
