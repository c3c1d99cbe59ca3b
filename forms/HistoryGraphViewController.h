#pragma once

#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class Model;
class WebView;

/// The chart of a resident document's numbers, a page the legacy server draws.
class HistoryGraphViewController : public ViewController {
public:
    /// With a non-empty `key` the page shows that entry's values.
    static std::shared_ptr<HistoryGraphViewController> create(Model& model, std::string resDocID, std::string key = {});

    const std::string& resDocID() const { return m_resDocID; }
    void setResDocID(std::string id) { m_resDocID = std::move(id); }
    const std::string& key() const { return m_key; }
    /// The page's address: "Naked.php?a=" with `resDocID`, and "&key=" when a key is given.
    std::string pageURL() const;
    std::shared_ptr<WebView> webView();

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    HistoryGraphViewController(Model& model, std::string resDocID, std::string key);

    Model& m_model;
    std::string m_resDocID;
    std::string m_key;
    std::shared_ptr<WebView> m_webView;
};

} // namespace quindle
