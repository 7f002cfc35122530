#pragma once

#include <QObject>
#include <QPointer>

class QAbstractScrollArea;

namespace quillory {

// Makes one scroll area follow the vertical scrolling of another, as when two tables sit side
// by side; the horizontal position of each stays its own.
class ScrollFollower : public QObject
{
    Q_OBJECT
public:
    // follower follows leader until the object is destroyed or follow() is called again.
    ScrollFollower(QAbstractScrollArea* follower, QAbstractScrollArea* leader,
                   QObject* parent = nullptr);
    void follow(QAbstractScrollArea* leader);
    void stop();

private:
    QPointer<QAbstractScrollArea> m_follower;
    QPointer<QAbstractScrollArea> m_leader;
    QMetaObject::Connection m_connection;
};

} // namespace quillory
