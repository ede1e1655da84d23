// The one source of dpc_pch, the target that makes the tree's precompiled headers.
