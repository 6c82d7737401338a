#include "markup/Subject.h"

#include <gtest/gtest.h>

#include <string>

// Observers are called in attach order, once per attachment; detaching removes one.
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
    EXPECT_TRUE(!subject.Detach(&stranger) && subject.Detach(&a) && subject.Detach(&c));
    subject.Notify(0, 0, 0);
    EXPECT_EQ(log, "A6B6C6A6B0A0");
}
