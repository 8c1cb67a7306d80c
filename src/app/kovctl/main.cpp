#include "app/kovctl/Kovctl.h"

int main(int argc, char** argv)
{
    return kov::KovctlMain(argc, argv);
}
