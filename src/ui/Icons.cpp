#include "Icons.h"

#include <QString>

namespace {
struct IconName
{
    int id;
    const char* name;
};

constexpr IconName kIcons[] = {
    {113, "phonara"}, {114, "pin"},  {115, "new"},  {116, "open"},  {117, "save"},
    {118, "print"},   {119, "cut"},  {120, "copy"}, {121, "paste"}, {122, "delete"},
    {123, "add"},     {124, "edit"}, {125, "up"},   {126, "down"},  {127, "find"},
    {130, "write"},   {132, "read"}, {128, "pin"},  {129, "book"},  {131, "fixed"},
    {133, "dialled"},
};
} // namespace

// Outside any namespace: the macro declares the resource's init function.
static void registerIcons()
{
    // The resources live in a static library: make sure they are registered.
    static const bool registered = [] {
        Q_INIT_RESOURCE(phonara_ui);
        return true;
    }();
    (void)registered;
}

QIcon resourceIcon(int id)
{
    registerIcons();
    for (const IconName& icon : kIcons) {
        if (icon.id == id)
            return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon.name)));
    }
    return {};
}

QIcon namedIcon(const char* name)
{
    registerIcons();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}
