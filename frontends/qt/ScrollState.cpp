#include "frontends/qt/ScrollState.h"

#include "ui/TableView.h"

#include <algorithm>
#include <cmath>

namespace quindle::qt {

double ScrollState::maximumOffset(const TableView& table, double contentHeight)
{
    return std::max(0.0, contentHeight - table.frame().height);
}

void ScrollState::press(const std::shared_ptr<TableView>& table, double y, double time)
{
    m_dragged = table;
    m_motions.erase(table.get());
    m_startY = y;
    m_startOffset = table->contentOffset().y;
    m_samples.clear();
    m_samples.push_back({ y, time });
}

void ScrollState::drag(double y, double time, double contentHeight)
{
    auto table = m_dragged.lock();
    if (!table)
        return;
    double raw = m_startOffset - (y - m_startY);
    double top = maximumOffset(*table, contentHeight);
    double offset = raw < 0 ? raw / 2 : raw > top ? top + (raw - top) / 2 : raw;
    table->scrollTo({ table->contentOffset().x, offset });
    m_samples.push_back({ y, time });
    while (m_samples.size() > 2 && time - m_samples.front().time > 0.1)
        m_samples.pop_front();
}

double ScrollState::release(double time, double contentHeight)
{
    auto table = m_dragged.lock();
    m_dragged.reset();
    if (!table)
        return 0;
    double velocity = 0;
    if (m_samples.size() >= 2) {
        const Sample& first = m_samples.front();
        const Sample& last = m_samples.back();
        // A finger that rested before lifting throws nothing.
        if (last.time - first.time > 0.005 && time - last.time < 0.08)
            velocity = -(last.y - first.y) / (last.time - first.time);
    }
    double offset = table->contentOffset().y;
    double pulled = std::max(0.0, -offset);
    bool outside = offset < 0 || offset > maximumOffset(*table, contentHeight);
    if (std::abs(velocity) > restSpeed || outside)
        m_motions[table.get()] = { table, outside ? 0 : velocity, time };
    return pulled;
}

void ScrollState::wheel(const std::shared_ptr<TableView>& table, double delta, double contentHeight)
{
    m_motions.erase(table.get());
    double offset = std::clamp(table->contentOffset().y + delta, 0.0, maximumOffset(*table, contentHeight));
    if (offset != table->contentOffset().y)
        table->scrollTo({ table->contentOffset().x, offset });
}

bool ScrollState::step(double time, const std::map<const TableView*, double>& contentHeights)
{
    for (auto it = m_motions.begin(); it != m_motions.end();) {
        auto table = it->second.table.lock();
        auto height = contentHeights.find(it->first);
        if (!table || height == contentHeights.end() || table == m_dragged.lock()) {
            it = m_motions.erase(it);
            continue;
        }
        Motion& motion = it->second;
        double dt = std::clamp(time - motion.lastTime, 0.0, 0.1);
        motion.lastTime = time;
        double top = maximumOffset(*table, height->second);
        double offset = table->contentOffset().y;
        bool done = false;
        if (offset < 0 || offset > top) {
            // Past an end: the flick dies and a spring pulls the content back.
            double target = offset < 0 ? 0 : top;
            motion.velocity = 0;
            offset += (target - offset) * std::min(1.0, dt * 14);
            if (std::abs(target - offset) < 0.5) {
                offset = target;
                done = true;
            }
        } else {
            offset += motion.velocity * dt;
            motion.velocity *= std::exp(-dt / decayTime);
            if (offset < 0 || offset > top) {
                offset = std::clamp(offset, -40.0, top + 40.0);
                motion.velocity = 0;
            }
            done = std::abs(motion.velocity) < restSpeed && offset >= 0 && offset <= top;
        }
        table->scrollTo({ table->contentOffset().x, offset });
        it = done ? m_motions.erase(it) : std::next(it);
    }
    return !m_motions.empty();
}

void ScrollState::settle(const std::map<const TableView*, double>& contentHeights)
{
    for (auto& [key, motion] : m_motions) {
        auto table = motion.table.lock();
        auto height = contentHeights.find(key);
        if (table && height != contentHeights.end())
            table->scrollTo({ table->contentOffset().x, std::clamp(table->contentOffset().y, 0.0, maximumOffset(*table, height->second)) });
    }
    m_motions.clear();
}

} // namespace quindle::qt
