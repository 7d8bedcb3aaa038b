#pragma once

#include "polykern/PolykernExport.h"

class G3Edge;
class G3Facet;
class G3Normal;
class G3PolyEdge;
class G3TexCoo;
class G3Vertex;

/// The one external listener of a shell: told when each entity opens or closes its
/// extended data. The base does nothing and answers false to every IsExData… question.
class POLYKERN_API G3ShellExDataProvider {
public:
    virtual ~G3ShellExDataProvider();
    virtual void OpenExDataEdge(G3Edge* /*edge*/) {}
    virtual void OpenExDataPolyEdge(G3PolyEdge* /*polyEdge*/) {}
    virtual void CloseExDataEdge(G3Edge* /*edge*/) {}
    virtual void CloseExDataPolyEdge(G3PolyEdge* /*polyEdge*/) {}
    virtual void OpenExDataVertex(G3Vertex* /*vertex*/) {}
    virtual void CloseExDataVertex(G3Vertex* /*vertex*/) {}
    virtual void OpenExDataNormal(G3Normal* /*normal*/) {}
    virtual void CloseExDataNormal(G3Normal* /*normal*/) {}
    virtual void OpenExDataTexCoo(G3TexCoo* /*texCoo*/) {}
    virtual void CloseExDataTexCoo(G3TexCoo* /*texCoo*/) {}
    virtual void OpenExDataFacet(G3Facet* /*facet*/) {}
    virtual void CloseExDataFacet(G3Facet* /*facet*/) {}
    virtual bool IsExDataEdge() { return false; }
    virtual bool IsExDataVertex() { return false; }
    virtual bool IsExDataNormal() { return false; }
    virtual bool IsExDataTexCoo() { return false; }
    virtual bool IsExDataFacet() { return false; }
    virtual bool IsExDataPolyEdge() { return false; }
};
