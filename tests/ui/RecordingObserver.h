#pragma once
// The ui tests' shared pieces: an observer that records what it is told, a screen that logs its
// appearance, and the controls both test programs drive.

#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/Switch.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <string>
#include <vector>

namespace quindle::test {

/// Keeps every change it is told, in order, for tests to compare.
class RecordingObserver : public ViewObserver {
public:
    struct ViewEvent { const View* view; ChangeKind kind; };
    struct TableEvent { const TableView* table; RowChange change; std::vector<IndexPath> rows; RowAnimation animation; };
    struct ControllerEvent { const ViewController* controller; ControllerChange change; Animated animated; };
    struct AlertEvent { const AlertView* alert; AlertChange change; int buttonIndex; };
    void changed(const View& view, ChangeKind kind) override { views.push_back({ &view, kind }); }
    void tableChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation) override
    {
        tables.push_back({ &table, change, rows, animation });
    }
    void controllerChanged(const ViewController& controller, ControllerChange change, Animated animated) override
    {
        controllers.push_back({ &controller, change, animated });
    }
    void alertChanged(const AlertView& alert, AlertChange change, int buttonIndex) override { alerts.push_back({ &alert, change, buttonIndex }); }
    size_t countViews(const View& view, ChangeKind kind) const
    {
        return std::ranges::count_if(views, [&](const ViewEvent& e) { return e.view == &view && e.kind == kind; });
    }
    size_t countControllers(ControllerChange change) const
    {
        return std::ranges::count_if(controllers, [&](const ControllerEvent& e) { return e.change == change; });
    }
    void clear() { views.clear(); tables.clear(); controllers.clear(); alerts.clear(); }
    std::vector<ViewEvent> views;
    std::vector<TableEvent> tables;
    std::vector<ControllerEvent> controllers;
    std::vector<AlertEvent> alerts;
};

/// A screen that logs its appearance calls as "+title" and "-title".
class LoggingController : public ViewController {
public:
    static std::shared_ptr<LoggingController> create(std::string title, std::vector<std::string>& log)
    {
        return std::shared_ptr<LoggingController>(new LoggingController(std::move(title), log));
    }

protected:
    void viewWillAppear(Animated) override { m_log.push_back("+" + title()); }
    void viewWillDisappear(Animated) override { m_log.push_back("-" + title()); }

private:
    LoggingController(std::string title, std::vector<std::string>& log) : ViewController(std::move(title)), m_log(log) { }
    std::vector<std::string>& m_log;
};

} // namespace quindle::test
