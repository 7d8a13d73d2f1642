#include "TComponent.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// A component that notes when it was loaded and applies a color only when not loading.
class Probe : public QWidget, public TComponent {
public:
    Probe(QWidget* parent, QStringList& log, const QString& name)
        : QWidget(parent)
        , FLog(log)
    {
        setObjectName(name);
    }
    void SetColor(int color)
    {
        FColor = color;
        if (!IsLoading())
            Applied = color;
    }
    void Loaded() override
    {
        TComponent::Loaded();
        Applied = FColor;
        FLog << objectName();
    }
    int Applied = 0;

private:
    QStringList& FLog;
    int FColor = 0;
};

TEST(ComponentLoading, everyComponentLoadsAfterTheWholeDesignChildrenBeforeTheirParent)
{
    QStringList log;
    Probe form(nullptr, log, "form");
    TDesignLoader loader(&form);
    auto* button = new Probe(new Probe(&form, log, "panel"), log, "button");
    new Probe(&form, log, "list");
    button->SetColor(7);
    EXPECT_TRUE(form.IsLoading() && button->IsLoading());
    EXPECT_EQ(button->Applied, 0) << "effects wait for the loaded step";
    EXPECT_TRUE(log.isEmpty());
    loader.Finish();
    EXPECT_EQ(log, QStringList({ "button", "panel", "list", "form" }));
    EXPECT_EQ(button->Applied, 7);
    EXPECT_FALSE(form.IsLoading());
}

TEST(ComponentLoading, aDesignThatFailsIsNotLoadedAndLeavesLaterComponentsOutOfTheLoadingState)
{
    QStringList log;
    Probe form(nullptr, log, "form");
    try {
        TDesignLoader loader(&form);
        new Probe(&form, log, "half");
        throw std::runtime_error("design failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(TDesignLoader::Active());
    Probe after(nullptr, log, "after");
    after.SetColor(3);
    EXPECT_FALSE(after.IsLoading());
    EXPECT_EQ(after.Applied, 3);
}

} // namespace
