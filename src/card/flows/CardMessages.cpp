#include "card/flows/CardMessages.h"

#include "shell/Strings.h"

#include <cstdio>

std::string cardText(int id)
{
    return resString(id);
}

std::string cardText(int id, int value)
{
    const std::string format = resString(id);
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    return buffer;
}

std::string cardTextHex(int id, unsigned value)
{
    const std::string format = resString(id);
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    return buffer;
}

void showCardMessage(UserInterface& ui, int id, std::string text, UserInterface::Icon icon,
                     const std::string& caption)
{
    UserInterface::Message message;
    message.id = id;
    message.text = text.empty() ? cardText(id) : std::move(text);
    message.icon = icon;
    message.buttons = UserInterface::Buttons::Ok;
    message.caption = caption;
    ui.message(message);
}
