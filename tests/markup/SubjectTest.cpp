#include "markup/Subject.h"

#include <gtest/gtest.h>

#include <string>

// Observers called in attach order, once per attachment; detaching removes one. The list under
// it (also the XML tree's) at both ends, spliced and popped.
TEST(Subject, NotifyOrderAttachAndDetach) {
    struct Recorder : CObserver {
        Recorder(std::string& l, char n) : log(&l), name(n) {}
        void Update(CSubject* subject, uint32_t code, uint32_t v2, uint32_t v3) override {
            *log += name + std::to_string(code + v2 + v3) + (subject ? "" : "?");
        }
        std::string* log;
        char name;
    };
    std::string log;
    Recorder a(log, 'A'), b(log, 'B'), c(log, 'C'), stranger(log, 'S');
    CSubject subject;
    for (CObserver* observer : {&a, &b, static_cast<Recorder*>(nullptr), &c, &a})
        subject.Attach(observer);
    subject.Notify(1, 2, 3);
    EXPECT_FALSE(subject.Detach(&stranger));
    EXPECT_TRUE(subject.Detach(&a) && subject.Detach(&c));
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A6B6C6A6B0A0");

    int x = 1, y = 2, z = 3;
    CLinkedList<int> list, other;
    for (int* p : {&x, &y, &z})
        list.Append(p);
    EXPECT_TRUE(list.Remove(&z) && list.Remove(&x));
    EXPECT_TRUE(list.Head() == list.Tail() && !list.Head()->previous && !list.Tail()->next);
    other.Append(&x);
    other.Append(&z);
    list.Splice(other);
    EXPECT_EQ(other.Count() + 10 * list.Count(), 30u);
    for (int* expected : {&y, &x, &z, static_cast<int*>(nullptr)})
        EXPECT_EQ(list.PopFront(), expected);
    EXPECT_EQ(list.Tail(), nullptr);
}
