// ZentrelMS, the multi-store program: started from the store system's menu.
#include "ui/ms_startup.h"

int main(int argc, char** argv) {
    return ztl::ui::runZentrelMS(argc, argv);
}
