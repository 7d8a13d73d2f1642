#include "app/AppResources.h"

#include <QtGlobal>

static void RegisterResources()
{
    Q_INIT_RESOURCE(quorvane);
}

namespace quorvane {

void InitAppResources()
{
    static const bool registered = (RegisterResources(), true);
    (void)registered;
}

} // namespace quorvane
