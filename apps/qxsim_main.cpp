#include <cstdio>

int main() {
    std::puts("qxsim: not built yet");
    return 1;
}
