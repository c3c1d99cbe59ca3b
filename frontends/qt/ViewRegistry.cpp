#include "frontends/qt/ViewRegistry.h"

#include <unordered_map>

namespace quindle::qt {

struct ViewRegistry::Impl {
    std::unordered_map<std::type_index, ViewHandlers> handlers;
};

ViewRegistry::ViewRegistry() : m_impl(new Impl) { }

ViewRegistry& ViewRegistry::shared()
{
    static ViewRegistry registry;
    return registry;
}

void ViewRegistry::add(std::type_index type, ViewHandlers handlers)
{
    m_impl->handlers[type] = std::move(handlers);
}

const ViewHandlers* ViewRegistry::find(const View& view) const
{
    auto found = m_impl->handlers.find(std::type_index(typeid(view)));
    return found == m_impl->handlers.end() ? nullptr : &found->second;
}

} // namespace quindle::qt
