#include "TComponent.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// A component that notes when it was loaded and whether its property write waited for that.
class Probe : public QWidget, public TComponent {
public:
    Probe(QWidget* parent, std::vector<QString>& log, const QString& name)
        : QWidget(parent)
        , FLog(log)
    {
        setObjectName(name);
    }
    void SetColor(int color)
    {
        FColor = color;
        if (!IsLoading())
            FApplied = color;
    }
    void Loaded() override
    {
        TComponent::Loaded();
        FApplied = FColor;
        FLog.push_back(objectName());
    }
    int Applied() const { return FApplied; }

private:
    std::vector<QString>& FLog;
    int FColor = 0;
    int FApplied = 0;
};

TEST(ComponentLoading, everyComponentLoadsAfterTheWholeDesignChildrenBeforeTheirParent)
{
    std::vector<QString> log;
    Probe form(nullptr, log, "form");
    Probe* panel = nullptr;
    Probe* button = nullptr;
    {
        TDesignLoader loader(&form);
        panel = new Probe(&form, log, "panel");
        button = new Probe(panel, log, "button");
        auto* list = new Probe(&form, log, "list");
        button->SetColor(7);
        EXPECT_TRUE(button->IsLoading());
        EXPECT_TRUE(form.IsLoading());
        EXPECT_EQ(button->Applied(), 0) << "effects wait for the loaded step";
        EXPECT_TRUE(log.empty());
        (void)list;
        loader.Finish();
    }
    EXPECT_EQ(log, (std::vector<QString> { "button", "panel", "list", "form" }));
    EXPECT_EQ(button->Applied(), 7);
    EXPECT_FALSE(form.IsLoading());

    // Made after the design: not loading, a write takes effect at once.
    Probe late(&form, log, "late");
    late.SetColor(3);
    EXPECT_FALSE(late.IsLoading());
    EXPECT_EQ(late.Applied(), 3);
}

TEST(ComponentLoading, aDesignThatFailsLeavesLaterComponentsOutOfTheLoadingState)
{
    std::vector<QString> log;
    Probe form(nullptr, log, "form");
    try {
        TDesignLoader loader(&form);
        new Probe(&form, log, "half");
        throw std::runtime_error("design failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(log.empty()) << "a broken design is not loaded";
    EXPECT_FALSE(TDesignLoader::Active());
    Probe after(nullptr, log, "after");
    EXPECT_FALSE(after.IsLoading());
}

} // namespace
