#pragma once

#include "core/Asset.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// Lets the owner pick one of the twelve carousel styles, each row a live preview of its style.
/// It reports the chosen style number and leaves closing to its opener.
class CarouselTypeViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using CompletionHandler = std::function<void(long style)>;

    static constexpr const char* defaultTitle = "Select carousel type";
    static constexpr const char* cellIdentifier = "CarouselCell";
    static constexpr double rowHeight = 110;
    static constexpr int previewHeight = 100;

    static std::shared_ptr<CarouselTypeViewController> create(AssetRecord object, CompletionHandler completionHandler);

    const AssetRecord& object() const { return m_object; }
    /// The style names, numbered by position.
    const std::vector<std::string>& types() const { return m_types; }
    const CompletionHandler& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;
    double heightForRowAtIndexPath(TableView&, IndexPath) override { return rowHeight; }

protected:
    void loadView() override;

private:
    CarouselTypeViewController(AssetRecord object, CompletionHandler handler);
    void report(long style);

    AssetRecord m_object;
    std::vector<std::string> m_types;
    CompletionHandler m_completionHandler;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
