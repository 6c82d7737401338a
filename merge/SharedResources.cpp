#include "merge/SharedResources.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace PoDoFo;

namespace {

using Index = uint32_t;
const Index kNone = 0xFFFFFFFFu;

// The document's objects by their place in its object list, which is kept sorted by reference.
class ObjectTable {
public:
    explicit ObjectTable(PdfVecObjects& objects) : m_objects(objects) { m_objects.Sort(); }

    Index Size() const { return static_cast<Index>(m_objects.GetSize()); }
    PdfObject& At(Index i) const { return **(m_objects.begin() + i); }

    // kNone for a reference to no object.
    Index Find(const PdfReference& ref) const {
        const TIVecObjects it = std::lower_bound(
            m_objects.begin(), m_objects.end(), ref,
            [](const PdfObject* object, const PdfReference& r) { return object->Reference() < r; });
        if (it == m_objects.end() || !((*it)->Reference() == ref)) {
            return kNone;
        }
        return static_cast<Index>(it - m_objects.begin());
    }

private:
    PdfVecObjects& m_objects;
};

// Keys whose value is only drawn: resource dictionaries, an annotation's appearances, the form's
// default resources.
bool LeadsToResources(const PdfName& key) {
    static const PdfName kKeys[] = {PdfName("Resources"), PdfName("AP"), PdfName("DR")};
    return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

// Calls visit(reference, inResources) for every reference in `value` and in the direct arrays and
// dictionaries nested in it; inResources tells whether a key that leads to resources was passed.
template <typename Visit> void ForEachReference(const PdfObject& value, bool inResources, Visit visit) {
    std::vector<std::pair<const PdfObject*, bool>> pending{{&value, inResources}};
    while (!pending.empty()) {
        const PdfObject* object = pending.back().first;
        const bool resources = pending.back().second;
        pending.pop_back();
        if (object->IsReference()) {
            visit(object->GetReference(), resources);
        } else if (object->IsDictionary()) {
            for (const auto& entry : object->GetDictionary().GetKeys()) {
                pending.emplace_back(entry.second, resources || LeadsToResources(entry.first));
            }
        } else if (object->IsArray()) {
            for (const PdfObject& element : object->GetArray()) {
                pending.emplace_back(&element, resources);
            }
        }
    }
}

enum : uint8_t { kReachedPlain = 1, kReachedInResources = 2 };

// How each object is reached from what the writer writes of the trailer (/Root and /Info): only
// through resources, also otherwise, or not at all (0).
std::vector<uint8_t> Reach(const ObjectTable& table, const PdfObject& trailer) {
    std::vector<uint8_t> reached(table.Size(), 0);
    std::vector<std::pair<Index, bool>> pending;
    const auto mark = [&](const PdfReference& ref, bool inResources) {
        const Index i = table.Find(ref);
        const uint8_t how = inResources ? kReachedInResources : kReachedPlain;
        if (i != kNone && !(reached[i] & how)) {
            reached[i] |= how;
            pending.emplace_back(i, inResources);
        }
    };
    for (const char* key : {"Root", "Info"}) {
        if (const PdfObject* value = trailer.GetDictionary().GetKey(key)) {
            ForEachReference(*value, false, mark);
        }
    }
    while (!pending.empty()) {
        const std::pair<Index, bool> next = pending.back();
        pending.pop_back();
        ForEachReference(table.At(next.first), next.second, mark);
    }
    return reached;
}

// Objects that carry an identity even inside resources: a parent, a page, a place in the structure
// tree or its parent tree, a layer.
bool KeepsIdentity(const PdfObject& object) {
    static const PdfName kKeys[] = {PdfName("Parent"),       PdfName("P"),
                                    PdfName("Pg"),           PdfName("Kids"),
                                    PdfName("StructParent"), PdfName("StructParents")};
    static const PdfName kTypes[] = {
        PdfName("Page"), PdfName("Pages"), PdfName("Annot"), PdfName("StructElem"), PdfName("StructTreeRoot"),
        PdfName("MCR"),  PdfName("OBJR"),  PdfName("OCG"),   PdfName("OCMD")};
    const PdfDictionary& dictionary = object.GetDictionary();
    for (const PdfName& key : kKeys) {
        if (dictionary.HasKey(key)) {
            return true;
        }
    }
    const PdfObject* type = dictionary.GetKey(PdfName::KeyType);
    return type && type->IsName() &&
           std::find(std::begin(kTypes), std::end(kTypes), type->GetName()) != std::end(kTypes);
}

// An object that may be stored once: a dictionary, stream or array reached only through resources
// and carrying no identity.
bool MayBeShared(const PdfObject& object, uint8_t reached) {
    if (reached != kReachedInResources) {
        return false;
    }
    if (object.IsArray()) {
        return true;
    }
    return object.IsDictionary() && !KeepsIdentity(object);
}

void AppendNumber(std::string& out, uint64_t value) {
    char bytes[sizeof value];
    memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

void AppendBytes(std::string& out, char tag, const char* data, size_t length) {
    out += tag;
    AppendNumber(out, length);
    out.append(data, length);
}

// Describes a candidate's own content exactly, as bytes. A reference to another candidate is a
// placeholder whose target is appended to `targets`, in the order of the placeholders; a reference
// to any other object is that object's number, since it is never shared. A stream's /Length is
// left out: the stream is compared by its bytes, and the writer sets the length.
void Describe(const PdfObject& object, const ObjectTable& table, const std::vector<uint32_t>& candidateOf,
              std::string& label, std::vector<uint32_t>& targets) {
    struct Item {
        const PdfObject* value; // null: write `close`
        const PdfName* key;     // written before the value
        char close;
    };
    const bool stream = object.IsDictionary() && object.HasStream();
    std::vector<Item> pending{{&object, nullptr, 0}};
    while (!pending.empty()) {
        const Item item = pending.back();
        pending.pop_back();
        if (!item.value) {
            label += item.close;
            continue;
        }
        if (item.key) {
            AppendBytes(label, '/', item.key->GetName().data(), item.key->GetName().size());
        }
        const PdfObject& value = *item.value;
        switch (value.GetDataType()) {
        case ePdfDataType_Bool:
            label += value.GetBool() ? 'T' : 'F';
            break;
        case ePdfDataType_Number:
            label += 'i';
            AppendNumber(label, static_cast<uint64_t>(value.GetNumber()));
            break;
        case ePdfDataType_Real: {
            const double real = value.GetReal();
            uint64_t bits;
            memcpy(&bits, &real, sizeof bits);
            label += 'f';
            AppendNumber(label, bits);
            break;
        }
        case ePdfDataType_String:
        case ePdfDataType_HexString: {
            const PdfString& text = value.GetString();
            label += value.GetDataType() == ePdfDataType_String ? 's' : 'h';
            if (!text.IsValid()) {
                label += '-';
            } else {
                AppendBytes(label, text.IsUnicode() ? 'U' : 'B', text.GetString(), text.GetLength());
            }
            break;
        }
        case ePdfDataType_Name:
            AppendBytes(label, 'n', value.GetName().GetName().data(), value.GetName().GetName().size());
            break;
        case ePdfDataType_Null:
            label += 'z';
            break;
        case ePdfDataType_Reference: {
            const Index target = table.Find(value.GetReference());
            if (target != kNone && candidateOf[target] != kNone) {
                label += 'C';
                targets.push_back(candidateOf[target]);
            } else {
                label += 'R';
                AppendNumber(label, (static_cast<uint64_t>(value.GetReference().ObjectNumber()) << 16) |
                                        value.GetReference().GenerationNumber());
            }
            break;
        }
        case ePdfDataType_Array: {
            label += '[';
            pending.push_back({nullptr, nullptr, ']'});
            const PdfArray& array = value.GetArray();
            for (size_t i = array.size(); i-- > 0;) {
                pending.push_back({&array[i], nullptr, 0});
            }
            break;
        }
        case ePdfDataType_Dictionary: {
            label += '<';
            pending.push_back({nullptr, nullptr, '>'});
            const TKeyMap& keys = value.GetDictionary().GetKeys();
            for (auto entry = keys.rbegin(); entry != keys.rend(); ++entry) {
                if (!(stream && item.value == &object && entry->first == PdfName::KeyLength)) {
                    pending.push_back({entry->second, &entry->first, 0});
                }
            }
            break;
        }
        default:
            // Raw data or worse: nothing to compare by, so this object equals only itself.
            label += 'u';
            AppendNumber(label, reinterpret_cast<uintptr_t>(&object));
            break;
        }
    }
}

// A hash of a stream's bytes, however they are cut into pieces.
class HashingStream : public PdfOutputStream {
public:
    pdf_long Write(const char* data, pdf_long length) override {
        const char* end = data + length;
        m_total += static_cast<uint64_t>(length);
        while (m_filled != 0 && data != end) {
            TakeByte(*data++);
        }
        for (; end - data >= 8; data += 8) {
            uint64_t word;
            memcpy(&word, data, sizeof word);
            Mix(word);
        }
        while (data != end) {
            TakeByte(*data++);
        }
        return length;
    }
    void Close() override {}

    uint64_t Value() const {
        uint64_t hash = m_hash ^ (m_pending * 0xC2B2AE3D27D4EB4Full) ^ m_total;
        hash ^= hash >> 33;
        hash *= 0xFF51AFD7ED558CCDull;
        return hash ^ (hash >> 33);
    }

private:
    void TakeByte(char byte) {
        m_pending |= static_cast<uint64_t>(static_cast<unsigned char>(byte)) << (8 * m_filled);
        if (++m_filled == 8) {
            Mix(m_pending);
            m_pending = 0;
            m_filled = 0;
        }
    }
    void Mix(uint64_t word) {
        m_hash ^= word * 0x9E3779B97F4A7C15ull;
        m_hash = ((m_hash << 31) | (m_hash >> 33)) * 0xBF58476D1CE4E5B9ull;
    }

    uint64_t m_hash = 0x243F6A8885A308D3ull;
    uint64_t m_pending = 0;
    unsigned m_filled = 0;
    uint64_t m_total = 0;
};

class CollectingStream : public PdfOutputStream {
public:
    explicit CollectingStream(std::string& bytes) : m_bytes(bytes) {}
    pdf_long Write(const char* data, pdf_long length) override {
        m_bytes.append(data, static_cast<size_t>(length));
        return length;
    }
    void Close() override {}

private:
    std::string& m_bytes;
};

// Compares a stream's bytes with bytes at hand, piece by piece as they come.
class ComparingStream : public PdfOutputStream {
public:
    explicit ComparingStream(const std::string& expected) : m_expected(expected) {}
    pdf_long Write(const char* data, pdf_long length) override {
        const size_t size = static_cast<size_t>(length);
        if (m_same &&
            (size > m_expected.size() - m_at || memcmp(m_expected.data() + m_at, data, size) != 0)) {
            m_same = false;
        }
        m_at += m_same ? size : 0;
        return length;
    }
    void Close() override {}
    bool Same() const { return m_same && m_at == m_expected.size(); }

private:
    const std::string& m_expected;
    size_t m_at = 0;
    bool m_same = true;
};

struct Candidate {
    Index object;
    uint32_t label;       // equal labels: equal content but for references to candidates
    uint32_t firstTarget; // into the candidates' target list
    uint32_t targetCount;
    uint32_t bytes; // equal values: equal stream bytes; 0 without a stream
};

// Whether two streams hold the same bytes. The last first stream asked about is held in memory,
// the other one compared as it is read.
class ByteComparer {
public:
    explicit ByteComparer(const ObjectTable& table) : m_table(table) {}

    bool Same(Index held, Index other) {
        if (held != m_heldObject) {
            m_held.clear();
            m_heldObject = kNone;
            CollectingStream collect(m_held);
            StreamOf(held).GetCopy(&collect);
            m_heldObject = held;
        }
        ComparingStream compare(m_held);
        StreamOf(other).GetCopy(&compare);
        return compare.Same();
    }

    const PdfStream& StreamOf(Index object) const {
        return *static_cast<const PdfObject&>(m_table.At(object)).GetStream();
    }

private:
    const ObjectTable& m_table;
    std::string m_held;
    Index m_heldObject = kNone;
};

// Gives candidate streams with the same bytes the same `bytes` value. A stream is read only when
// another stream of the same label has its length, first to hash it, and two are called the same
// only after a byte-for-byte compare.
void CompareStreams(const ObjectTable& table, std::vector<Candidate>& candidates) {
    ByteComparer comparer(table);
    std::map<std::pair<uint32_t, pdf_long>, std::vector<uint32_t>> byLength;
    uint32_t next = 1;
    for (uint32_t c = 0; c < candidates.size(); ++c) {
        const PdfObject& object = table.At(candidates[c].object);
        if (object.IsDictionary() && object.HasStream()) {
            candidates[c].bytes = next++;
            byLength[{candidates[c].label, comparer.StreamOf(candidates[c].object).GetLength()}].push_back(c);
        }
    }
    for (const auto& group : byLength) {
        if (group.second.size() < 2) {
            continue;
        }
        std::vector<std::pair<uint64_t, uint32_t>> hashed;
        for (uint32_t c : group.second) {
            HashingStream hash;
            comparer.StreamOf(candidates[c].object).GetCopy(&hash);
            hashed.emplace_back(hash.Value(), c);
        }
        std::sort(hashed.begin(), hashed.end());
        // Within a run of one hash, each stream takes the value of the first earlier one with the
        // same bytes.
        std::vector<uint32_t> distinct;
        for (size_t i = 0; i < hashed.size(); ++i) {
            if (i == 0 || hashed[i].first != hashed[i - 1].first) {
                distinct.clear();
            }
            Candidate& candidate = candidates[hashed[i].second];
            const auto same = std::find_if(distinct.begin(), distinct.end(), [&](uint32_t known) {
                return comparer.Same(candidates[known].object, candidate.object);
            });
            if (same != distinct.end()) {
                candidate.bytes = candidates[*same].bytes;
            } else {
                distinct.push_back(hashed[i].second);
            }
        }
    }
}

struct KeyHash {
    size_t operator()(const std::vector<uint32_t>& key) const {
        uint64_t hash = 0x84222325CBF29CE4ull;
        for (uint32_t value : key) {
            hash = (hash ^ value) * 0x100000001B3ull;
        }
        return static_cast<size_t>(hash);
    }
};

// Finds the classes of identical candidates. Candidates are visited children first (Tarjan's
// strongly connected components, without recursion): a candidate outside any cycle gets its class
// from its label, its stream bytes and its targets' classes. The members of a cycle of references
// are classified as one: a cycle whose content, read member by member from some member on, equals
// an earlier cycle's is a copy of it, member for member; otherwise its members stay distinct.
class Classifier {
public:
    Classifier(const std::vector<Candidate>& candidates, const std::vector<uint32_t>& targets)
        : m_candidates(candidates), m_targets(targets), m_class(candidates.size(), kNone),
          m_inCycle(candidates.size(), false), m_place(candidates.size(), kNone) {}

    std::vector<uint32_t> Classify() {
        const uint32_t count = static_cast<uint32_t>(m_candidates.size());
        std::vector<uint32_t> order(count, kNone);
        std::vector<uint32_t> low(count, 0);
        std::vector<bool> onStack(count, false);
        std::vector<uint32_t> stack;
        std::vector<std::pair<uint32_t, uint32_t>> calls; // candidate, next target
        uint32_t counter = 0;
        for (uint32_t root = 0; root < count; ++root) {
            if (order[root] != kNone) {
                continue;
            }
            const auto enter = [&](uint32_t c) {
                order[c] = low[c] = counter++;
                stack.push_back(c);
                onStack[c] = true;
                calls.emplace_back(c, 0);
            };
            enter(root);
            while (!calls.empty()) {
                const uint32_t c = calls.back().first;
                const uint32_t edge = calls.back().second;
                if (edge < m_candidates[c].targetCount) {
                    ++calls.back().second;
                    const uint32_t target = m_targets[m_candidates[c].firstTarget + edge];
                    if (order[target] == kNone) {
                        enter(target);
                    } else if (onStack[target]) {
                        low[c] = std::min(low[c], order[target]);
                    }
                    continue;
                }
                calls.pop_back();
                if (!calls.empty()) {
                    low[calls.back().first] = std::min(low[calls.back().first], low[c]);
                }
                if (low[c] == order[c]) {
                    std::vector<uint32_t> component;
                    uint32_t member;
                    do {
                        member = stack.back();
                        stack.pop_back();
                        onStack[member] = false;
                        component.push_back(member);
                    } while (member != c);
                    ClassifyComponent(component);
                }
            }
        }
        return m_class;
    }

private:
    uint32_t Target(uint32_t c, uint32_t i) const { return m_targets[m_candidates[c].firstTarget + i]; }

    void ClassifyComponent(const std::vector<uint32_t>& component) {
        const uint32_t c = component[0];
        bool cyclic = component.size() > 1;
        for (uint32_t i = 0; i < m_candidates[c].targetCount && !cyclic; ++i) {
            cyclic = Target(c, i) == c;
        }
        if (!cyclic) {
            std::vector<uint32_t> key{m_candidates[c].label, m_candidates[c].bytes};
            for (uint32_t i = 0; i < m_candidates[c].targetCount; ++i) {
                key.push_back(m_class[Target(c, i)]);
            }
            m_class[c] = Intern(key, 1);
            return;
        }
        // Reading a cycle from each of its members costs its size squared; larger ones are rare
        // enough to keep as they are.
        const size_t kLargestCycle = 64;
        if (component.size() > kLargestCycle) {
            for (uint32_t member : component) {
                m_class[member] = m_nextClass++;
            }
            return;
        }
        for (uint32_t member : component) {
            m_inCycle[member] = true;
        }
        std::vector<uint32_t> best;
        std::vector<uint32_t> bestOrder;
        for (uint32_t start : component) {
            std::vector<uint32_t> members;
            std::vector<uint32_t> reading = ReadCycle(start, members);
            if (best.empty() || reading < best) {
                best.swap(reading);
                bestOrder.swap(members);
            }
        }
        for (uint32_t member : component) {
            m_inCycle[member] = false;
        }
        // Marks the key as a cycle's, apart from every single candidate's.
        best.insert(best.begin(), {kNone, static_cast<uint32_t>(component.size())});
        const uint32_t first = Intern(best, static_cast<uint32_t>(component.size()));
        for (size_t i = 0; i < bestOrder.size(); ++i) {
            m_class[bestOrder[i]] = first + static_cast<uint32_t>(i);
        }
    }

    // The cycle's content read breadth first from `start`: each member's label, bytes and targets,
    // a target inside the cycle by the place at which the reading met it. `members` gets the
    // members in that order.
    std::vector<uint32_t> ReadCycle(uint32_t start, std::vector<uint32_t>& members) {
        std::vector<uint32_t> reading;
        members.assign(1, start);
        m_place[start] = 0;
        for (size_t k = 0; k < members.size(); ++k) {
            const Candidate& candidate = m_candidates[members[k]];
            reading.insert(reading.end(), {candidate.label, candidate.bytes, candidate.targetCount});
            for (uint32_t i = 0; i < candidate.targetCount; ++i) {
                const uint32_t target = Target(members[k], i);
                if (!m_inCycle[target]) {
                    reading.insert(reading.end(), {0, m_class[target]});
                    continue;
                }
                if (m_place[target] == kNone) {
                    m_place[target] = static_cast<uint32_t>(members.size());
                    members.push_back(target);
                }
                reading.insert(reading.end(), {1, m_place[target]});
            }
        }
        for (uint32_t member : members) {
            m_place[member] = kNone;
        }
        return reading;
    }

    // The first of `size` consecutive classes for `key`, new when the key is.
    uint32_t Intern(const std::vector<uint32_t>& key, uint32_t size) {
        const auto found = m_classes.emplace(key, m_nextClass);
        if (found.second) {
            m_nextClass += size;
        }
        return found.first->second;
    }

    const std::vector<Candidate>& m_candidates;
    const std::vector<uint32_t>& m_targets;
    std::vector<uint32_t> m_class;
    std::vector<bool> m_inCycle;   // scratch: the members of the cycle being classified
    std::vector<uint32_t> m_place; // scratch: each member's place in the reading
    std::unordered_map<std::vector<uint32_t>, uint32_t, KeyHash> m_classes;
    uint32_t m_nextClass = 0;
};

// Points every reference to a duplicate at the object kept in its place.
void Redirect(PdfObject& object, const ObjectTable& table, const std::vector<Index>& keptFor) {
    std::vector<PdfObject*> pending{&object};
    while (!pending.empty()) {
        PdfObject* value = pending.back();
        pending.pop_back();
        if (value->IsReference()) {
            const Index target = table.Find(value->GetReference());
            if (target != kNone && keptFor[target] != kNone) {
                *value = table.At(keptFor[target]).Reference();
            }
        } else if (value->IsDictionary()) {
            for (auto& entry : value->GetDictionary().GetKeys()) {
                pending.push_back(entry.second);
            }
        } else if (value->IsArray()) {
            for (PdfObject& element : value->GetArray()) {
                pending.push_back(&element);
            }
        }
    }
}

// Takes the marked objects out of the document and lists their numbers as free, keeping the
// order of the rest.
void Drop(PdfVecObjects& objects, const std::vector<bool>& drop) {
    std::vector<PdfObject*> dropped;
    TIVecObjects kept = objects.begin();
    Index i = 0;
    for (TIVecObjects it = objects.begin(); it != objects.end(); ++it, ++i) {
        if (drop[i]) {
            dropped.push_back(*it);
        } else {
            *kept++ = *it;
        }
    }
    std::copy(dropped.begin(), dropped.end(), kept);
    for (PdfObject* object : dropped) {
        (void)object;
        objects.RemoveObject(objects.end() - 1);
    }
    for (PdfObject* object : dropped) {
        objects.AddFreeObject(object->Reference());
        delete object;
    }
}

} // namespace

void SharedResources::Finish(PdfMemDocument& merged) {
    PdfVecObjects& objects = merged.GetObjects();
    const ObjectTable table(objects);
    const std::vector<uint8_t> reached = Reach(table, *merged.GetTrailer());

    std::vector<uint32_t> candidateOf(table.Size(), kNone);
    std::vector<Candidate> candidates;
    for (Index i = 0; i < table.Size(); ++i) {
        if (MayBeShared(table.At(i), reached[i])) {
            candidateOf[i] = static_cast<uint32_t>(candidates.size());
            candidates.push_back({i, 0, 0, 0, 0});
        }
    }
    std::vector<uint32_t> targets;
    std::unordered_map<std::string, uint32_t> labels;
    std::string label;
    for (Candidate& candidate : candidates) {
        label.clear();
        candidate.firstTarget = static_cast<uint32_t>(targets.size());
        Describe(table.At(candidate.object), table, candidateOf, label, targets);
        candidate.targetCount = static_cast<uint32_t>(targets.size()) - candidate.firstTarget;
        candidate.label = labels.emplace(label, static_cast<uint32_t>(labels.size())).first->second;
    }
    CompareStreams(table, candidates);
    const std::vector<uint32_t> classes = Classifier(candidates, targets).Classify();

    // The first candidate of each class (the lowest object number) is kept for all of it.
    std::vector<Index> keptFor(table.Size(), kNone);
    std::unordered_map<uint32_t, Index> keeper;
    bool duplicates = false;
    for (uint32_t c = 0; c < candidates.size(); ++c) {
        const auto found = keeper.emplace(classes[c], candidates[c].object);
        if (!found.second) {
            keptFor[candidates[c].object] = found.first->second;
            duplicates = true;
        }
    }
    std::vector<bool> drop(table.Size());
    bool dropAny = false;
    for (Index i = 0; i < table.Size(); ++i) {
        drop[i] = reached[i] == 0 || keptFor[i] != kNone;
        dropAny = dropAny || drop[i];
        if (duplicates && !drop[i]) {
            Redirect(table.At(i), table, keptFor);
        }
    }
    if (dropAny) {
        Drop(objects, drop);
    }
}
