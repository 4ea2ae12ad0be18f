// SPDX-License-Identifier: MIT
#pragma once
// The registered directories of one watch: inotify watch descriptor to place in the tree. Paths are not
// stored but walked up from the node, so renaming a directory renames its whole subtree at once.
// Backend thread only.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tervane::platform {

class WatchTree
{
public:
    struct Node
    {
        int wd = -1;
        Node* parent = nullptr;
        std::string name;
        std::map<std::string, Node*, std::less<>> children;
        /// Entries reported from this directory's listing whose creation event may still be on its way.
        std::unordered_set<std::string> synthesized;
    };

    Node& addRoot(int wd);
    /// Adds `name` below `parent`; an older node under that name is dropped and its watches put in `dropped`.
    /// Returns nullptr if `wd` is already registered.
    Node* add(int wd, Node& parent, std::string name, std::vector<int>& dropped);
    void move(Node& node, Node& newParent, std::string newName, std::vector<int>& dropped);
    /// Drops `node` and everything below it, appending their watch descriptors to `dropped`.
    void remove(Node& node, std::vector<int>& dropped);

    [[nodiscard]] Node* find(int wd) const;
    [[nodiscard]] Node* child(const Node& parent, std::string_view name) const;
    [[nodiscard]] Node* root() const { return m_root; }
    [[nodiscard]] std::size_t size() const { return m_nodes.size(); }

    /// Path relative to the root ("" for the root itself).
    [[nodiscard]] std::string path(const Node& node) const;
    [[nodiscard]] std::string childPath(const Node& parent, std::string_view name) const;

private:
    void detach(Node& node);

    std::unordered_map<int, std::unique_ptr<Node>> m_nodes;
    Node* m_root = nullptr;
};

} // namespace tervane::platform
