#include "app/widgets/scrollfollower.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace quillory {

ScrollFollower::ScrollFollower(QAbstractScrollArea* follower, QAbstractScrollArea* leader,
                               QObject* parent)
    : QObject(parent), m_follower(follower)
{
    follow(leader);
}

void ScrollFollower::follow(QAbstractScrollArea* leader)
{
    stop();
    m_leader = leader;
    if (!leader)
        return;
    m_connection =
        connect(leader->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
            if (m_follower && m_follower->verticalScrollBar()->value() != value)
                m_follower->verticalScrollBar()->setValue(value);
        });
}

void ScrollFollower::stop()
{
    disconnect(m_connection);
    m_leader = nullptr;
}

} // namespace quillory
