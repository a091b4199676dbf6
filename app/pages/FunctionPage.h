// What every page of the tab control answers for itself: which tab it is,
// how it is shown and updated, what its selection asks of the detail pane,
// what its selection means to the commands and how its tab toolbar is set.
// The main window composes the six pages and asks them; it never switches on
// the tab.
#pragma once

#include <windows.h>

#include <vector>

#include "app/CommandTable.h"
#include "reports/DetailView.h"
#include "ui/FunctionTabs.h"

class CListCtrlEx;
class ListPage;

// What one view update gives the shown page.
struct ViewTick {
    bool sampled = false;    // this tick's process sample succeeded
    bool autoSize = false;   // the auto-size setting
    int taskRows = 0;        // rows of the Tasks list
};

// What one view update did.
struct ViewChange {
    int removed = 0;             // rows deleted (their window or process went)
    bool selectedGone = false;   // the selected row was one of them, or the
                                 // filter took it out
    int filtered = 0;            // rows the filter showed or hid because
                                 // their texts changed
};

class FunctionPage {
public:
    virtual ~FunctionPage() = default;
    virtual FunctionTab Tab() const = 0;
    virtual void Show(bool show) = 0;
    // Places the page's own windows in the tab area (the template pages are
    // anchored to the tab control instead).
    virtual void Layout(const RECT& area) { (void)area; }
    // The view update while the page is shown.
    virtual ViewChange UpdateView(const ViewTick& tick) = 0;
    // Whether the view update of this page takes a process sample first.
    virtual bool UsesProcessSample() const { return true; }
    // Whether the detail pane is shown under this page.
    bool UsesDetailPane() const { return IsListTab(Tab()); }
    // What the detail pane shows for the page's selection (nothing here).
    virtual DetailRequest SelectionDetail() { return DetailRequest(); }
    // Whether the page offers a command (its tab is among the command's).
    virtual bool Offers(const CommandEntry& command) const { return (command.tabs & TabBit(Tab())) != 0; }
    // A command's state while this page is shown: disabled where the page
    // does not offer it, else its rule's answer.
    CommandState StateOf(const CommandEntry& command, UINT id, const CommandContext& context) const {
        if (!Offers(command)) return CommandState{false, false, false};
        return EvaluateRule(command.rule, id, context);
    }
    // What the page's selection means to the command rules.
    virtual void DescribeSelection(CommandContext& context) { context.tab = Tab(); }
    // Sets the tab toolbar's buttons by the command rules (no toolbar here).
    virtual void UpdateToolbar(const CommandContext& context) { (void)context; }
    // The page's list views, for the view options and column fitting.
    virtual std::vector<CListCtrlEx*> Lists() = 0;
    // The function list the page is; null for Performance and Network.
    virtual ListPage* AsList() { return nullptr; }
};
