#include "shell/UserInterface.h"

#include "shell/Config.h"
#include "shell/Strings.h"

#include <cstdarg>

void UserInterface::inform(int id, ...)
{
    Message box;
    box.id = id;
    va_list args;
    va_start(args, id);
    box.text = vformatResString(id, args);
    va_end(args);
    box.icon = Icon::Information;
    box.buttons = Buttons::Ok;
    box.caption = kProductName;
    message(box);
}
