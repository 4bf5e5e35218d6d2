#include "core/TextKeys.h"

#include "support/Common.h"

#include <vorn/vorn.h>

#include <QTemporaryDir>

#include <random>
#include <utility>

using namespace vorn;

namespace {

template <class C>
class KeyedCollectionTest : public ::testing::Test {
protected:
    using Entry = typename C::EntryType;
    Ref<C> list = C::create();

    Ref<Entry> add(const Variant& key) { return list->ADD(Entry::create(), key); }
    Ref<Entry> add(C& other, const Variant& key) { return other.ADD(Entry::create(), key); }
    // Keys in order, as texts.
    static QString keys(C& c)
    {
        QStringList out;
        for (qint32 i = 1; i <= c.COUNT(); ++i)
            out << c.Item(i)->DATA().KEY().toText();
        return out.join(QLatin1Char(','));
    }
    // The first position whose key matches, found by walking.
    static qint32 walk(C& c, const Variant& probe)
    {
        const Variant p = probe.isText() ? Variant(normalizedKey(probe.text())) : probe;
        for (qint32 i = 1; i <= c.COUNT(); ++i) {
            const Variant& key = c.entries()[size_t(i - 1)]->DATA().KEY();
            if (key.isText() && p.isText() ? normalizedKey(key.text()) == p.text() : key == p)
                return i;
        }
        return 0;
    }
};

using Collections =
    ::testing::Types<cls_VornElementDefs, cls_VornElements, cls_VornAttributeDefs, cls_VornEnumerations>;
TYPED_TEST_SUITE(KeyedCollectionTest, Collections);

} // namespace

TYPED_TEST(KeyedCollectionTest, KeysAreTrimmedUpperCasedTextsOrNumbersFirstMatchWins)
{
    auto& list = *this->list;
    auto first = this->add(QStringLiteral(" Alpha "));
    auto beta = this->add(QStringLiteral("beta"));
    auto second = this->add(QStringLiteral("ALPHA"));
    this->add(2);
    auto twoText = this->add(QStringLiteral("2"));
    this->add(true);
    this->add(2.5);
    EXPECT_EQ(list.Item(QStringLiteral("alpha")), first);
    EXPECT_EQ(list[QStringLiteral("  BETA  ")], beta);
    EXPECT_EQ(list.Item(2), beta); // a number is a position for Item, a key for EXISTS
    EXPECT_EQ(list.Item(3.0), second);
    EXPECT_EQ(list.Item(QStringLiteral(" 2 ")), twoText);
    for (const Variant& absent :
         { Variant(0), Variant(8), Variant(QStringLiteral("gamma")), Variant(QStringLiteral("al pha")) })
        EXPECT_FALSE(list.Item(absent)) << absent.toText().toStdString();
    for (const Variant& key : { Variant(QStringLiteral("alpha")), Variant(2), Variant(2.0), Variant(-1), Variant(2.5),
                                Variant(QStringLiteral("2")) })
        EXPECT_TRUE(list.EXISTS(key)) << key.toText().toStdString(); // True is -1
    for (const Variant& key : { Variant(3), Variant(QStringLiteral("2.5")), Variant(QStringLiteral("gamma")) })
        EXPECT_FALSE(list.EXISTS(key)) << key.toText().toStdString();
    EXPECT_EQ(first->DATA().KEY(), Variant(" Alpha ")); // an entry keeps its key as given

    EXPECT_TRUE(list.REMOVE(QStringLiteral("alpha"))); // the first one
    EXPECT_EQ(list.Item(QStringLiteral("ALPHA")), second);
    EXPECT_FALSE(list.REMOVE(QStringLiteral("gamma")));
    EXPECT_FALSE(list.REMOVE(0));
    EXPECT_FALSE(list.REMOVE(7));
    EXPECT_TRUE(list.REMOVE(this->walk(list, 2))); // a number removes by position
    EXPECT_EQ(list.COUNT(), 5);
    EXPECT_FALSE(list.EXISTS(2));
    EXPECT_EQ(list.Item(QStringLiteral("2")), twoText);
    EXPECT_TRUE(list.EXISTS(QStringLiteral("2")));
}

TYPED_TEST(KeyedCollectionTest, RemoveOrderAndSwap)
{
    for (const char* k : { "A", "B", "C", "D" })
        this->add(QString::fromUtf8(k));
    EXPECT_TRUE(this->list->REMOVE(1));
    const bool movesLast = std::is_same_v<TypeParam, cls_VornEnumerations>;
    EXPECT_EQ(this->keys(*this->list), movesLast ? QStringLiteral("D,B,C") : QStringLiteral("B,C,D"));
    EXPECT_EQ(this->list->Item(QStringLiteral("d")), this->list->Item(movesLast ? 1 : 3));
    EXPECT_TRUE(this->list->REMOVE(QStringLiteral("C")));
    EXPECT_EQ(this->keys(*this->list), movesLast ? QStringLiteral("D,B") : QStringLiteral("B,D"));

    this->add(QStringLiteral("E"));
    EXPECT_EQ(this->list->Item(QStringLiteral("E")), this->list->Item(3));
    this->list->SWAP(1, 3);
    EXPECT_EQ(this->keys(*this->list), movesLast ? QStringLiteral("E,B,D") : QStringLiteral("E,D,B"));
    EXPECT_EQ(this->list->Item(QStringLiteral("E")), this->list->Item(1));
    EXPECT_EQ(this->walk(*this->list, QStringLiteral("B")), movesLast ? 2 : 3);
    EXPECT_EQ(this->list->Item(QStringLiteral("B")), this->list->Item(movesLast ? 2 : 3));
    this->list->SWAP(0, 1);
    this->list->SWAP(1, 4);
    this->list->SWAP(2, 2);
    EXPECT_EQ(this->keys(*this->list), movesLast ? QStringLiteral("E,B,D") : QStringLiteral("E,D,B"));
}

TYPED_TEST(KeyedCollectionTest, AddAndMergeShareTheObjects)
{
    auto other = TypeParam::create();
    auto shared = this->add(QStringLiteral("S"));
    EXPECT_EQ(other->ADD(shared), shared);
    EXPECT_EQ(other->Item(QStringLiteral("s")), shared);

    // Adding with a key renames the object in every collection that holds it.
    other->Item(QStringLiteral("S")); // the index is current
    this->list->Item(QStringLiteral("S"));
    other->ADD(shared, QStringLiteral("RENAMED"));
    EXPECT_FALSE(this->list->Item(QStringLiteral("S")));
    EXPECT_EQ(this->list->Item(QStringLiteral("renamed")), shared);
    EXPECT_FALSE(other->Item(QStringLiteral("S")));
    EXPECT_EQ(other->Item(QStringLiteral("RENAMED")), other->Item(1));
    EXPECT_EQ(other->COUNT(), 2);

    // MERGE appends every entry, duplicates included, shared and keys unchanged.
    if constexpr (!std::is_same_v<TypeParam, cls_VornAttributeDefs>) {
        this->add(QStringLiteral("T"));
        this->list->MERGE(*other);
        EXPECT_EQ(this->keys(*this->list), QStringLiteral("RENAMED,T,RENAMED,RENAMED"));
        EXPECT_EQ(this->list->Item(3), shared);
        EXPECT_EQ(this->list->Item(QStringLiteral("RENAMED")), this->list->Item(1));
        EXPECT_EQ(other->COUNT(), 2);
    }
}

// Keys changed after adding (directly, by copy or package, by adding again), removals and swaps:
// lookups always agree with a walk.
TYPED_TEST(KeyedCollectionTest, LargeCollectionAgreesWithAWalk)
{
    auto& list = *this->list;
    constexpr int N = 10000;
    for (int i = 0; i < N; ++i)
        this->add(i % 5 == 0 ? Variant(i % 700) : Variant(QStringLiteral("K%1").arg(i % 7000)));
    std::mt19937 random(11);
    auto probe = [&]() -> Variant {
        const int k = int(random() % 7100);
        return random() % 4 == 0 ? Variant(k % 720) : Variant(QStringLiteral(" k%1").arg(k));
    };
    for (int round = 0; round < 300; ++round) {
        const qint32 at = qint32(random() % quint32(list.COUNT())) + 1;
        const Variant previous = list.Item(at)->DATA().KEY(); // probed next on odd rounds: it must be gone
        switch (random() % 6) {
        case 0: list.Item(at)->DATA().setKEY(QStringLiteral("K%1").arg(random() % 7100)); break;
        case 4: { // a key changed by copying or unpacking onto the entry
            auto source = TestFixture::Entry::create();
            source->DATA().setKEY(QStringLiteral("K%1").arg(random() % 7100));
            if (random() % 2)
                list.Item(at)->DATA().COPY(source);
            else
                list.Item(at)->DATA().setPACKAGE(source->DATA().PACKAGE());
            break;
        }
        case 1: list.REMOVE(at); break;
        case 2: list.SWAP(at, qint32(random() % quint32(list.COUNT())) + 1); break;
        case 3: // the same object again under a new key
            list.ADD(list.Item(at), QStringLiteral("K%1").arg(random() % 7100));
            break;
        default: this->add(probe()); break;
        }
        const Variant p = round % 2 ? previous : probe();
        qint32 found = -1;
        list.DatabaseSearch(found, p);
        ASSERT_EQ(found, this->walk(list, p)) << "round " << round;
        ASSERT_EQ(list.EXISTS(p), found > 0);
        if (p.isText()) {
            ASSERT_EQ(list.Item(p), found ? list.Item(found) : nullptr);
        }
    }
}

TYPED_TEST(KeyedCollectionTest, EmptyPositions)
{
    if constexpr (TypeParam::FillsEmptySlots) {
        this->list->ADD(nullptr);
        this->list->ADD(nullptr, QStringLiteral("KEYED"));
        auto first = this->list->Item(1);
        ASSERT_TRUE(first);
        EXPECT_EQ(this->list->Item(1), first); // placed once
        EXPECT_EQ(this->list->Item(QStringLiteral("keyed")), this->list->Item(2));
        EXPECT_TRUE(this->list->EXISTS(QString())); // an Empty key equals the empty text
        EXPECT_TRUE(this->list->EXISTS(0));
    } else {
        EXPECT_THROW(this->list->ADD(nullptr), Error);
        EXPECT_EQ(this->list->COUNT(), 0);
    }
}
