#include "platform/Font.h"

#include "platform/CellFontCatalogue.h"

#include <mutex>

namespace quindle {

namespace {

std::mutex s_mutex;
std::shared_ptr<FontCatalogue> s_installed;
// Catalogues that were replaced stay alive: callers may still hold the reference current()
// gave them.
std::vector<std::shared_ptr<FontCatalogue>> s_replaced;

} // namespace

FontCatalogue& FontCatalogue::current()
{
    std::lock_guard lock(s_mutex);
    if (!s_installed)
        s_installed = CellFontCatalogue::create();
    return *s_installed;
}

void FontCatalogue::install(std::shared_ptr<FontCatalogue> catalogue)
{
    std::lock_guard lock(s_mutex);
    if (s_installed)
        s_replaced.push_back(std::move(s_installed));
    s_installed = catalogue ? std::move(catalogue) : CellFontCatalogue::create();
}

} // namespace quindle
