#include <QtTest>
class AssignmentsTest : public QObject {
    Q_OBJECT
};
QTEST_MAIN(AssignmentsTest)
#include "test_assignments.moc"
