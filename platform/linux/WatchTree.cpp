// SPDX-License-Identifier: MIT
#include "platform/linux/WatchTree.h"

namespace tervane::platform {

WatchTree::Node& WatchTree::addRoot(int wd)
{
    auto node = std::make_unique<Node>();
    node->wd = wd;
    m_root = node.get();
    m_nodes[wd] = std::move(node);
    return *m_root;
}

WatchTree::Node* WatchTree::add(int wd, Node& parent, std::string name, std::vector<int>& dropped)
{
    if (m_nodes.count(wd) != 0) {
        return nullptr;
    }
    if (Node* old = child(parent, name)) {
        remove(*old, dropped);
    }
    auto node = std::make_unique<Node>();
    node->wd = wd;
    node->parent = &parent;
    node->name = std::move(name);
    Node* raw = node.get();
    parent.children.emplace(raw->name, raw);
    m_nodes.emplace(wd, std::move(node));
    return raw;
}

void WatchTree::move(Node& node, Node& newParent, std::string newName, std::vector<int>& dropped)
{
    if (Node* old = child(newParent, newName); old != nullptr && old != &node) {
        remove(*old, dropped);
    }
    detach(node);
    node.parent = &newParent;
    node.name = std::move(newName);
    newParent.children.emplace(node.name, &node);
}

void WatchTree::remove(Node& node, std::vector<int>& dropped)
{
    detach(node);
    std::vector<Node*> pending{&node};
    while (!pending.empty()) {
        Node* current = pending.back();
        pending.pop_back();
        for (const auto& [name, descendant] : current->children) {
            pending.push_back(descendant);
        }
        dropped.push_back(current->wd);
        if (current == m_root) {
            m_root = nullptr;
        }
        m_nodes.erase(current->wd);
    }
}

WatchTree::Node* WatchTree::find(int wd) const
{
    const auto it = m_nodes.find(wd);
    return it == m_nodes.end() ? nullptr : it->second.get();
}

WatchTree::Node* WatchTree::child(const Node& parent, std::string_view name) const
{
    const auto it = parent.children.find(name);
    return it == parent.children.end() ? nullptr : it->second;
}

std::string WatchTree::path(const Node& node) const
{
    std::vector<const std::string*> parts;
    for (const Node* at = &node; at != nullptr && at->parent != nullptr; at = at->parent) {
        parts.push_back(&at->name);
    }
    std::string out;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (!out.empty()) {
            out.push_back('/');
        }
        out += **it;
    }
    return out;
}

std::string WatchTree::childPath(const Node& parent, std::string_view name) const
{
    std::string out = path(parent);
    if (!out.empty()) {
        out.push_back('/');
    }
    out += name;
    return out;
}

void WatchTree::detach(Node& node)
{
    if (node.parent != nullptr) {
        const auto it = node.parent->children.find(node.name);
        if (it != node.parent->children.end() && it->second == &node) {
            node.parent->children.erase(it);
        }
        node.parent = nullptr;
    }
}

} // namespace tervane::platform
