// Quillon: browse a Logix controller's tags and watch their values.
#include "Startup.hpp"

int main() {
    return runQuillon();
}
