#include "merge/ObjectWalk.h"

#include <vector>

using namespace PoDoFo;

void ForEachDictionary(PdfVecObjects& objects, const std::function<void(PdfDictionary&)>& visit) {
    std::vector<PdfObject*> stack;
    for (TIVecObjects it = objects.begin(); it != objects.end(); ++it) {
        stack.push_back(*it);
        while (!stack.empty()) {
            PdfObject* object = stack.back();
            stack.pop_back();
            if (object->IsDictionary()) {
                PdfDictionary& dictionary = object->GetDictionary();
                visit(dictionary);
                for (TIKeyMap key = dictionary.GetKeys().begin(); key != dictionary.GetKeys().end(); ++key) {
                    if (key->second->IsDictionary() || key->second->IsArray()) {
                        stack.push_back(key->second);
                    }
                }
            } else if (object->IsArray()) {
                for (PdfObject& element : object->GetArray()) {
                    if (element.IsDictionary() || element.IsArray()) {
                        stack.push_back(&element);
                    }
                }
            }
        }
    }
}
