#include "platform/computer_name.h"

#include <unistd.h>

namespace ztl {

std::string computerName() {
    char name[80] = {};  // the platform's computer-name buffer holds 80 characters
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    name[sizeof name - 1] = '\0';
    return name;
}

}  // namespace ztl
