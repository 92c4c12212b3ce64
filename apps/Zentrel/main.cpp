// Zentrel, the single-store program: started from the store system's menu.
#include "single/startup.h"

int main(int argc, char** argv) {
    return ztl::single::runZentrel(argc, argv);
}
