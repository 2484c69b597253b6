#include <iostream>

#include "app/SelfCheck.h"

int main() {
    std::cout << "Quillet: the main window is not built yet; running the self-check.\n";
    const bool passed = quillet::runSelfCheck(std::cout);
    std::cout << (passed ? "Self-check passed.\n" : "Self-check FAILED.\n");
    return passed ? 0 : 1;
}
