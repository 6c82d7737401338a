#include "markup/Subject.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Recorder : CObserver {
    Recorder(std::string& log, char name) : m_log(log), m_name(name) {}
    void Update(CSubject* subject, uint32_t code, uint32_t v2, uint32_t v3) override {
        m_log += m_name + std::to_string(code + v2 + v3) + (subject ? "" : "?");
    }
    std::string& m_log;
    char m_name;
};

} // namespace

// Observers are called in the order attached, once per attachment; detaching removes one. The
// list under it (also the XML tree's) is checked at both ends, spliced and popped.
TEST(Subject, NotifyOrderAttachAndDetach) {
    std::string log;
    Recorder a(log, 'A'), b(log, 'B'), c(log, 'C'), stranger(log, 'S');
    CSubject subject;
    for (CObserver* observer : {&a, &b, static_cast<Recorder*>(nullptr), &c, &a})
        subject.Attach(observer);
    subject.Notify(1, 2, 3);
    EXPECT_EQ(log, "A6B6C6A6");
    EXPECT_FALSE(subject.Detach(&stranger));
    EXPECT_TRUE(subject.Detach(&a) && subject.Detach(&c));
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A6B6C6A6B0A0");

    int x = 1, y = 2, z = 3;
    CLinkedList<int> list, other;
    for (int* p : {&x, &y, &z})
        list.Append(p);
    EXPECT_TRUE(list.Remove(&z) && list.Remove(&x));
    EXPECT_EQ(list.Head(), list.Tail());
    EXPECT_EQ(list.Head()->previous, nullptr);
    EXPECT_EQ(list.Tail()->next, nullptr);
    other.Append(&x);
    other.Append(&z);
    list.Splice(other);
    EXPECT_EQ(other.Count(), 0u);
    EXPECT_EQ(list.Count(), 3u);
    for (int* expected : {&y, &x, &z, static_cast<int*>(nullptr)})
        EXPECT_EQ(list.PopFront(), expected);
    EXPECT_EQ(list.Tail(), nullptr);
}
