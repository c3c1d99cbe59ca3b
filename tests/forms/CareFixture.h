#pragma once
// Shared helpers of the care screen tests: a recording legacy server and cell reading.

#include "content/ContentFixture.h"
#include "core/Model.h"
#include "platform/JsonParser.h"
#include "ui/TableView.h"
#include "ui/TableViewCell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace quindle::test {

class CareFixture : public ReferenceServerFixture {
protected:
    /// Every target the recording server saw for this legacy script, in order.
    std::vector<std::string> targets(std::string_view script)
    {
        std::vector<std::string> out;
        auto all = server.requests();
        for (size_t i = from; i < all.size(); ++i)
            if (const auto& request = all[i]; request.path == "/json/" + std::string(script))
                out.push_back(request.target);
        return out;
    }
    /// Counts requests from here on, for cases run in a loop.
    void restart() { from = server.requests().size(); }
    bool waitFor(size_t n) { return server.waitForRequests(from + n); }
    size_t from = 0;

    static std::string text(TableViewDataSource& source, TableView& table, int section, int row)
    {
        return source.cellForRowAtIndexPath(table, { section, row })->textLabel()->text();
    }
    static std::string detail(TableViewDataSource& source, TableView& table, int section, int row)
    {
        auto label = source.cellForRowAtIndexPath(table, { section, row })->detailTextLabel();
        return label ? label->text() : std::string();
    }
    static AccessoryType mark(TableViewDataSource& source, TableView& table, int section, int row)
    {
        return source.cellForRowAtIndexPath(table, { section, row })->accessoryType();
    }
    static std::string decode(std::string_view value)
    {
        std::string out;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '%' && i + 2 < value.size()) {
                out += static_cast<char>(std::strtol(std::string(value.substr(i + 1, 2)).c_str(), nullptr, 16));
                i += 2;
            } else {
                out += value[i];
            }
        }
        return out;
    }
    /// The query value of `key` in a target, as sent.
    static std::string query(const std::string& target, const std::string& key)
    {
        size_t from = target.find((target.find('?' + key + '=') != std::string::npos ? '?' : '&') + key + '=');
        if (from == std::string::npos)
            return "<none>";
        from += key.size() + 2;
        return target.substr(from, target.find('&', from) - from);
    }
    static JsonObjectPtr dict(const std::string& json) { return JsonParser::parse(json)->object(); }

    ShellGuard shell;
};

} // namespace quindle::test
