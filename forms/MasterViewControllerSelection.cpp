// The resident form screen's selections: which rows can be chosen and what each opens.
#include "forms/MasterViewController.h"

#include "forms/RecordText.h"
#include "forms/SelectViewController.h"
#include "forms/TextEditViewController.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"

#include <algorithm>

namespace quindle {

std::optional<IndexPath> MasterViewController::willSelectRowAtIndexPath(TableView&, IndexPath path)
{
    auto section = sectionAt(path.section);
    if (!section)
        return std::nullopt;
    if (*section == Section::Heading) {
        if ((path.row == 0 && m_isResidentProfile) || (path.row > 1 && m_suppressHistory) || path.row > 2)
            return std::nullopt;
        return path;
    }
    if (*section == Section::Actions)
        return static_cast<size_t>(path.row) < m_engine->displayActions().size() ? std::optional<IndexPath>(path) : std::nullopt;
    return path;
}

void MasterViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (!willSelectRowAtIndexPath(table, path))
        return;
    if (sectionAt(path.section) == Section::Values && resendIfUnsaved(static_cast<size_t>(path.row)))
        return;
    show(viewControllerForIndexPath(path));
}

void MasterViewController::show(const std::shared_ptr<ViewController>& screen)
{
    if (auto stack = navigationController(); screen && stack)
        stack->pushViewController(screen, Animated::Yes);
}

std::shared_ptr<ViewController> MasterViewController::viewControllerForIndexPath(IndexPath path)
{
    auto section = sectionAt(path.section);
    auto shell = ApplicationShell::shared();
    if (!section || path.row < 0)
        return nullptr;
    switch (*section) {
    case Section::Heading: return headingSelection(path.row);
    case Section::Actions: {
        const auto& due = m_engine->displayActions();
        if (!shell || static_cast<size_t>(path.row) >= due.size())
            return nullptr;
        return shell->makeDisplayActionViewController(m_name, due[static_cast<size_t>(path.row)]);
    }
    case Section::Allergies: return shell ? shell->makeIngredientsViewController(resDocID()) : nullptr;
    case Section::Values: return valueSelection(static_cast<size_t>(path.row));
    }
    return nullptr;
}

std::shared_ptr<ViewController> MasterViewController::headingSelection(int row)
{
    auto shell = ApplicationShell::shared();
    if (row == 0) {
        nextForm(nullptr, profileFormID, personnelDetailsID().value_or(""), true);
        return nullptr;
    }
    if (!shell)
        return nullptr;
    if (row == 1)
        return shell->makeHistoryViewController(assetID(), resDocID(), m_name);
    const auto& records = m_engine->resActions();
    if (records.size() < 2)
        return shell->makeActionViewController(m_name, records.empty() ? nullptr : records.front(), resDocID());
    auto all = JsonArray::create();
    for (const JsonObjectPtr& record : records)
        all->push_back(record);
    return shell->makeActionListViewController(all, m_name, resDocID());
}

std::shared_ptr<ViewController> MasterViewController::valueSelection(size_t row)
{
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    if (!entry)
        return nullptr;
    const std::string type = recordText(entry, "type");
    const std::string name = recordText(entry, "name");
    if (type == "Image") {
        auto shell = ApplicationShell::shared();
        std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
        // The editor stores the new picture in the entry; the row shows it once the upload is in.
        return shell ? shell->makeImageEditViewController(entry, resDocID(), [weak](std::optional<JsonValue>) {
            MainQueue::shared().dispatch([weak] {
                if (auto self = weak.lock())
                    self->reload();
            });
        })
                     : nullptr;
    }
    if (type == "Text")
        return TextEditViewController::create(entry, m_engine, row, m_engine->formValueForKey(name));
    if (type == "Select") {
        JsonValue marker = m_engine->formIndexForKey(name);
        std::string state = marker.isString() ? marker.asString() : marker.isInteger() ? std::to_string(marker.asInt()) : std::string {};
        return SelectViewController::create(entry, m_engine, row, state);
    }
    if (type == "Form" || type == "Document" || type == "Meal")
        openEntry(entry);
    return nullptr;
}

void MasterViewController::openEntry(const JsonObjectPtr& entry)
{
    const std::string name = recordText(entry, "name");
    for (const JsonValue& doc : m_docs->items()) {
        if (doc.isObject() && recordText(doc.object(), "name") == name) {
            // The person's document of that name is where this form's values live from now on.
            m_engine->setResDocID(recordText(doc.object(), "assetID"));
            break;
        }
    }
    nextForm(entry, recordText(entry, "assetID"), resDocID(), false);
}

void MasterViewController::openGraph(const std::string& key)
{
    if (auto shell = ApplicationShell::shared())
        show(shell->makeHistoryGraphViewController(resDocID(), key));
}

bool MasterViewController::resendIfUnsaved(size_t row)
{
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    const std::string key = recordText(entry, "name");
    auto value = entry ? m_engine->unsavedValue(key) : std::nullopt;
    if (!value || !m_engine->isUnsaved(key))
        return false;
    // A choice goes again with its row number, as the option screen sent it.
    std::optional<std::string> selectedIndex;
    if (recordText(entry, "type") == "Select") {
        auto labels = SelectViewController::optionLabels(entry);
        auto found = std::find(labels.begin(), labels.end(), *value);
        if (found != labels.end())
            selectedIndex = std::to_string(found - labels.begin());
    }
    m_engine->setValue(*value, row, selectedIndex);
    return true;
}

} // namespace quindle
