#include "toolkit/TComponent.h"

namespace quorvane {

namespace {
    int openLoaders = 0;

    void loadTree(QObject* object)
    {
        // Copy: a loaded step may add children, which were made loaded already.
        const QObjectList children = object->children();
        for (QObject* child : children)
            loadTree(child);
        if (auto* component = dynamic_cast<TComponent*>(object);
            component && component->IsLoading())
            component->Loaded();
    }
}

TComponent::TComponent()
{
    if (TDesignLoader::Active())
        FComponentState |= csLoading | csReading;
}

void TComponent::Loaded()
{
    FComponentState &= ~unsigned(csLoading | csReading);
}

TDesignLoader::TDesignLoader(QObject* root)
    : FRoot(root)
{
    ++openLoaders;
    if (auto* component = dynamic_cast<TComponent*>(root))
        component->FComponentState |= csLoading | csReading;
}

// A design that failed part-way is not loaded: its components stay as they were read.
TDesignLoader::~TDesignLoader()
{
    if (!FFinished)
        --openLoaders;
}

void TDesignLoader::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    --openLoaders;
    loadTree(FRoot);
}

bool TDesignLoader::Active()
{
    return openLoaders > 0;
}

} // namespace quorvane
