#include "shell/services.h"

#include "shell/errorbox.h"

TServices systemServices() {
    TServices services;
    services.errorPresenter = showErrorBox;
    return services;
}
