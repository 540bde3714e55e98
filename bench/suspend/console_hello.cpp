// Prints one line and ends: what any console program costs to start under
// the same runtime and linking.
#include <cstdio>

int main()
{
    std::fputs("hello\n", stdout);
    return 0;
}
