#include <cstdio>

int main()
{
    std::printf("Zarquel 1.0\n");
    return 0;
}
