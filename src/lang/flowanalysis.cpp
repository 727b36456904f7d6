#include "flowanalysis.h"

#include "statementkind.h"

#include <algorithm>

namespace FlowAnalysis {

namespace {

// The records that execution may go to from record index; at most two.
int successors(const InstructionList &records, int index, int (&out)[2])
{
    const Instruction &r = records.at(index);
    switch (r.func) {
    case Jmp:
        out[0] = r.arg1;
        return 1;
    case If:
        out[0] = r.arg3;
        // An else target replaces the fall-through to the next record.
        out[1] = r.arg4 > 0 ? int(r.arg4) : index + 1;
        return 2;
    default:
        out[0] = index + 1;
        return 1;
    }
}

bool isDelay(const Instruction &r)
{
    return r.func == DelayMs || r.func == DelayS;
}

QVector<bool> reachableFromStart(const InstructionList &records)
{
    const int count = records.size();
    QVector<bool> reached(count, false);
    if (count == 0)
        return reached;
    QVector<int> pending{0};
    reached[0] = true;
    while (!pending.isEmpty()) {
        const int index = pending.takeLast();
        int next[2];
        const int n = successors(records, index, next);
        for (int k = 0; k < n; ++k) {
            const int to = next[k];
            if (to >= 0 && to < count && !reached.at(to)) {
                reached[to] = true;
                pending.append(to);
            }
        }
    }
    return reached;
}

// Strongly connected components of the records in the set, following only edges inside it.
// Iterative, so that a program of thousands of records cannot exhaust the stack.
QVector<int> components(const InstructionList &records, const QVector<bool> &inSet)
{
    const int count = records.size();
    QVector<int> order(count, -1);
    QVector<int> low(count, 0);
    QVector<int> component(count, -1);
    QVector<bool> onStack(count, false);
    QVector<int> stack;
    struct Frame
    {
        int node;
        int next;
    };
    QVector<Frame> calls;
    int counter = 0;
    int found = 0;

    const auto enter = [&](int node) {
        order[node] = low[node] = counter++;
        stack.append(node);
        onStack[node] = true;
        calls.append({node, 0});
    };

    for (int start = 0; start < count; ++start) {
        if (!inSet.at(start) || order.at(start) >= 0)
            continue;
        enter(start);
        while (!calls.isEmpty()) {
            const int node = calls.last().node;
            int next[2];
            const int n = successors(records, node, next);
            if (calls.last().next < n) {
                const int to = next[calls.last().next++];
                if (to < 0 || to >= count || !inSet.at(to))
                    continue;
                if (order.at(to) < 0)
                    enter(to);
                else if (onStack.at(to))
                    low[node] = std::min(low.at(node), order.at(to));
                continue;
            }
            if (low.at(node) == order.at(node)) {
                int member;
                do {
                    member = stack.takeLast();
                    onStack[member] = false;
                    component[member] = found;
                } while (member != node);
                ++found;
            }
            calls.removeLast();
            if (!calls.isEmpty()) {
                const int parent = calls.last().node;
                low[parent] = std::min(low.at(parent), low.at(node));
            }
        }
    }
    return component;
}

} // namespace

Findings analyse(const InstructionList &records)
{
    Findings findings;
    const int count = records.size();
    const QVector<bool> reached = reachableFromStart(records);
    for (int index = 0; index < count; ++index) {
        if (!reached.at(index) && (index == 0 || reached.at(index - 1)))
            findings.unreachableRuns.append(index);
    }

    // Every loop returns through a jump to an earlier record or to itself, since falling through
    // only moves forwards. Such a jump closes a loop without a delay exactly when its target lies
    // in its own component of the delay-free part of the program.
    // Appended, not sized up front: GCC 12 takes Qt 6's fill of QVector(count, false) for a
    // write past the largest object (a false stringop-overflow).
    QVector<bool> delayFree;
    delayFree.reserve(count);
    for (int index = 0; index < count; ++index)
        delayFree.append(reached.at(index) && !isDelay(records.at(index)));
    const QVector<int> component = components(records, delayFree);
    for (int index = 0; index < count; ++index) {
        const Instruction &r = records.at(index);
        if (!delayFree.at(index) || (r.func != Jmp && r.func != If))
            continue;
        int targets[2];
        int n = 0;
        if (r.func == Jmp) {
            targets[n++] = r.arg1;
        } else {
            targets[n++] = r.arg3;
            if (r.arg4 > 0)
                targets[n++] = r.arg4;
        }
        for (int k = 0; k < n; ++k) {
            const int to = targets[k];
            if (to >= 0 && to <= index && delayFree.at(to) &&
                component.at(to) == component.at(index)) {
                findings.loopsWithoutDelay.append(index);
                break;
            }
        }
    }
    return findings;
}

} // namespace FlowAnalysis
