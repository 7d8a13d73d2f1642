#include "toolkit/TComponent.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// A component that notes its loaded step. What a real component defers to that step is the
// splitter loading test's.
struct Probe : QWidget, TComponent {
    Probe(QWidget* parent, QStringList& log, const QString& name)
        : QWidget(parent)
        , FLog(log)
    {
        setObjectName(name);
    }
    void Loaded() override
    {
        TComponent::Loaded();
        FLog << objectName();
    }
    QStringList& FLog;
};

TEST(ComponentLoading, everyComponentLoadsAfterTheWholeDesignChildrenBeforeTheirParent)
{
    QStringList log;
    Probe form(nullptr, log, "form");
    TDesignLoader loader(&form);
    auto* button = new Probe(new Probe(&form, log, "panel"), log, "button");
    new Probe(&form, log, "list");
    EXPECT_TRUE(form.IsLoading() && button->IsLoading());
    EXPECT_TRUE(log.isEmpty());
    loader.Finish();
    EXPECT_EQ(log, QStringList({ "button", "panel", "list", "form" }));
    EXPECT_FALSE(form.IsLoading() || button->IsLoading());
}

} // namespace
