#pragma once
// Doubly linked list of shared objects, the container every subsystem walks.
//
// Each element sits in a TLink. Links are held strongly forward (list head -> first link ->
// next link ...) and weakly backward, so there is no reference cycle. An element that must
// leave a list in constant time keeps the link that Append/Insert returned (best as a weak
// reference) and calls Remove on it.
//
// Walks (ForEach, or a TListWalker) step to the next link before handing out the current
// element, so the handed-out element, or any other, may be removed during the walk. A
// removed link keeps pointing forward, so a walk standing on it moves on; removed links are
// skipped. An element appended while the last element is being handed out is not reached
// by that walk; one appended earlier in the walk is.
#include <functional>
#include <memory>

template <class T>
class TList;

// One node of a TList: the element and its neighbours.
template <class T>
class TLink {
public:
    // Frees a long run of links iteratively, so a list of 100,000 elements does not
    // recurse 100,000 destructors deep.
    ~TLink() {
        std::shared_ptr<TLink> run = std::move(next);
        while (run && run.use_count() == 1) {
            std::shared_ptr<TLink> after = std::move(run->next);
            run = std::move(after);
        }
    }

    // The element, or null once the link has been removed.
    const std::shared_ptr<T>& Value() const { return value; }
    // The following link (kept after removal).
    const std::shared_ptr<TLink>& NextLink() const { return next; }
    // Whether the link is still in its list.
    bool InList() const { return list != nullptr; }
    // Takes the link out of its list; removing it again does nothing.
    void Remove() {
        if (list) list->Unlink(this);
    }

private:
    friend class TList<T>;
    // The element held by this link.
    std::shared_ptr<T> value;
    // The following link; kept after removal so a walk standing here can go on.
    std::shared_ptr<TLink> next;
    // The preceding link (null for the first).
    TLink* prev = nullptr;
    // The owning list, null once removed.
    TList<T>* list = nullptr;
};

template <class T>
class TList {
public:
    using Link = TLink<T>;
    using LinkRef = std::shared_ptr<Link>;

    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    ~TList() { Clear(); }

    // Appends an element at the end and returns its link.
    LinkRef Append(std::shared_ptr<T> value) {
        auto link = std::make_shared<Link>();
        link->value = std::move(value);
        link->list = this;
        link->prev = tail;
        if (tail) tail->next = link; else head = link;
        tail = link.get();
        ++count;
        return link;
    }

    // Inserts an element at the front and returns its link.
    LinkRef Prepend(std::shared_ptr<T> value) {
        auto link = std::make_shared<Link>();
        link->value = std::move(value);
        link->list = this;
        link->next = head;
        if (head) head->prev = link.get(); else tail = link.get();
        head = link;
        ++count;
        return link;
    }

    // Removes the first link holding this element; returns whether one was found.
    bool RemoveValue(const T* value) {
        for (Link* l = head.get(); l; l = l->next.get()) {
            if (l->value.get() == value) { Unlink(l); return true; }
        }
        return false;
    }

    // Empties the list. Every link counts as removed afterwards.
    void Clear() {
        while (head) Unlink(head.get());
    }

    int Count() const { return count; }
    bool IsEmpty() const { return count == 0; }
    // The first element, or null.
    std::shared_ptr<T> First() const { return head ? head->value : nullptr; }
    // The last element, or null.
    std::shared_ptr<T> Last() const { return tail ? tail->value : nullptr; }
    // The first link (for walkers), or null.
    const LinkRef& FirstLink() const { return head; }

    // Hands out every element in order; see the walk rule above.
    template <class F>
    void ForEach(F&& visit) const {
        LinkRef at = head;
        while (at) {
            std::shared_ptr<T> value = at->value;
            at = NextLive(at->next);
            if (value) visit(value);
        }
    }

    // Stable neighbour-swap sort. compare(a, b) < 0 puts a before b; equal elements keep
    // their order. Values are swapped between links, so elements' own links stay in place
    // but may then hold a different element: sort lists whose elements do not keep links.
    void Sort(const std::function<int(const T&, const T&)>& compare) {
        bool swapped = true;
        while (swapped) {
            swapped = false;
            for (Link* l = head.get(); l && l->next; l = l->next.get()) {
                if (compare(*l->value, *l->next->value) > 0) {
                    std::swap(l->value, l->next->value);
                    swapped = true;
                }
            }
        }
    }

    // Skips removed links from here on.
    static LinkRef NextLive(LinkRef at) {
        while (at && !at->list) at = at->next;
        return at;
    }

private:
    friend class TLink<T>;

    void Unlink(Link* link) {
        if (link->list != this) return;
        LinkRef keep = link->prev ? link->prev->next : head;  // the owning reference
        if (link->prev) link->prev->next = link->next; else head = link->next;
        if (link->next) link->next->prev = link->prev; else tail = link->prev;
        link->prev = nullptr;
        link->list = nullptr;
        link->value.reset();
        --count;
    }

    // First link, owned.
    LinkRef head;
    // Last link.
    Link* tail = nullptr;
    // Number of links in the list.
    int count = 0;
};

// Walks a list one element at a time, under the same rule as TList::ForEach.
template <class T>
class TListWalker {
public:
    explicit TListWalker(const TList<T>& list) : at(TList<T>::NextLive(list.FirstLink())) {}
    // The next element, or null when the walk is over.
    std::shared_ptr<T> Next() {
        while (at) {
            std::shared_ptr<T> value = at->Value();
            at = TList<T>::NextLive(at->NextLink());
            if (value) return value;
        }
        return nullptr;
    }

private:
    typename TList<T>::LinkRef at;
};
