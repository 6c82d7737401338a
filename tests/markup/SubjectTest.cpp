#include "markup/Subject.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Recorder : CObserver {
    Recorder(std::string& log, char name) : m_log(log), m_name(name) {}
    void Update(CSubject* subject, uint32_t code, uint32_t v2, uint32_t v3) override {
        m_log += m_name;
        m_log += std::to_string(code + v2 + v3);
        m_lastSubject = subject;
    }
    std::string& m_log;
    char m_name;
    CSubject* m_lastSubject = nullptr;
};

} // namespace

TEST(Subject, NotifiesInAttachOrder) {
    std::string log;
    Recorder a(log, 'A'), b(log, 'B'), c(log, 'C');
    CSubject subject;
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "");
    subject.Attach(&a);
    subject.Attach(&b);
    subject.Attach(nullptr);
    subject.Attach(&c);
    subject.Notify(1, 2, 3);
    EXPECT_EQ(log, "A6B6C6");
    EXPECT_EQ(a.m_lastSubject, &subject);

    log.clear();
    EXPECT_TRUE(subject.Detach(&b));
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A0C0");
}

TEST(Subject, DetachRemovesOneCellAndRefusesStrangers) {
    std::string log;
    Recorder a(log, 'A'), stranger(log, 'S');
    CSubject subject;
    subject.Attach(&a);
    subject.Attach(&a);
    EXPECT_FALSE(subject.Detach(&stranger));
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A0A0");
    EXPECT_TRUE(subject.Detach(&a));
    log.clear();
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A0");
    EXPECT_TRUE(subject.Detach(&a));
    EXPECT_FALSE(subject.Detach(&a));
}

TEST(LinkedList, HeadTailAndCountFollowRemovals) {
    int x = 1, y = 2, z = 3;
    CLinkedList<int> list;
    list.Append(&x);
    list.Append(&y);
    list.Append(&z);
    EXPECT_TRUE(list.Remove(&z));
    EXPECT_EQ(list.Tail()->payload, &y);
    EXPECT_EQ(list.Tail()->next, nullptr);
    EXPECT_TRUE(list.Remove(&x));
    EXPECT_EQ(list.Head()->payload, &y);
    EXPECT_EQ(list.Head()->previous, nullptr);
    EXPECT_EQ(list.Count(), 1u);
    CLinkedList<int> other;
    other.Append(&x);
    other.Append(&z);
    list.Splice(other);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(other.Count(), 0u);
    EXPECT_EQ(list.PopFront(), &y);
    EXPECT_EQ(list.PopFront(), &x);
    EXPECT_EQ(list.PopFront(), &z);
    EXPECT_EQ(list.PopFront(), nullptr);
    EXPECT_EQ(list.Tail(), nullptr);
}
