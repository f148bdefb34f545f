// Loads each library named on its command line by bare name, as a program
// that trusts the search order would; exits with the number that failed.
#include <windows.h>

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i)
        failed += LoadLibraryA(argv[i]) == nullptr;
    return failed;
}
