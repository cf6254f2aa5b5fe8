#include "PickButtons.h"

#include <QPushButton>

namespace masters {

PickButtons MakePickButtons(QWidget *parent, const QString &newCaption,
                            const QString &selectCaption)
{
    auto button = [parent](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    return {button("newButton", newCaption), button("selectButton", selectCaption),
            button("cancelButton", QStringLiteral("Cancel"))};
}

} // namespace masters
