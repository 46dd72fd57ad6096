#include "host/form.h"

int main(int argc, char** argv)
{
    return lumenhallMain(argc, argv);
}
