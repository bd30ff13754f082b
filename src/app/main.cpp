#include "GuiStartup.h"

int main(int argc, char** argv)
{
    return RunPhonaraGui(argc, argv);
}
