#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// Cells by reuse identifier: factories registered per identifier and the cells handed back
/// once they went off screen. Shared by the table and the collection view.
template <class Cell>
class ReusePool {
public:
    using Factory = std::function<std::shared_ptr<Cell>(const std::string& identifier)>;

    /// A null factory removes the identifier's factory.
    void registerCell(const std::string& identifier, Factory factory)
    {
        if (factory)
            m_factories[identifier] = std::move(factory);
        else
            m_factories.erase(identifier);
    }

    /// A pooled cell made ready for reuse, else a new one from the factory, else null.
    std::shared_ptr<Cell> dequeue(const std::string& identifier)
    {
        auto pooled = m_pool.find(identifier);
        if (pooled != m_pool.end() && !pooled->second.empty()) {
            auto cell = std::move(pooled->second.back());
            pooled->second.pop_back();
            cell->prepareForReuse();
            return cell;
        }
        auto factory = m_factories.find(identifier);
        return factory != m_factories.end() ? factory->second(identifier) : nullptr;
    }

    /// Keeps an off-screen cell under its identifier (once).
    void enqueue(const std::shared_ptr<Cell>& cell)
    {
        auto& pool = m_pool[cell->reuseIdentifier()];
        if (std::ranges::find(pool, cell) == pool.end())
            pool.push_back(cell);
    }

private:
    std::map<std::string, Factory> m_factories;
    std::map<std::string, std::vector<std::shared_ptr<Cell>>> m_pool;
};

} // namespace quindle
